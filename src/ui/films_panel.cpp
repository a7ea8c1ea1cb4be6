#include "ui/films_panel.h"

#include "print_service/print_service.h"
#include "ui/local_text.h"
#include "ui/user_dialogs.h"
#include "ui/widget_style.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrova {
namespace {

constexpr int FilmRole = Qt::UserRole;

QPushButton* addButton(QWidget* parent, QLayout* row, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(fieldFont());
    row->addWidget(button);
    return button;
}

QStringList columnsOf(const FilmRecord& film)
{
    return {toQString(timeText(film.printed)), toQString(film.callingAeTitle),
            toQString(film.printer), QString::number(sheetsOf(film)), toQString(outcomeText(film))};
}

} // namespace

FilmsPanel::FilmsPanel(PrintService& service, QWidget* parent)
    : QWidget(parent), service_(service)
{
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("lstFilms"));
    list_->setFont(fieldFont());
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Calling AE"), QStringLiteral("Printer"),
                            QStringLiteral("Pages"), QStringLiteral("Outcome")});
    auto* buttons = new QHBoxLayout;
    reprint_ = addButton(this, buttons, "cmdReprint", "Reprint");
    open_ = addButton(this, buttons, "cmdOpen", "Open");
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &FilmsPanel::showChoice);
    connect(reprint_, &QPushButton::clicked, this, &FilmsPanel::reprintChosen);
    connect(open_, &QPushButton::clicked, this, &FilmsPanel::openChosen);
    refresh();
}

void FilmsPanel::refresh()
{
    const std::optional<int> chosen = chosenFilm();
    std::vector<FilmRecord> films = service_.films();
    std::reverse(films.begin(), films.end());
    list_->clear();
    for (const FilmRecord& film : films) {
        auto* row = new QTreeWidgetItem(list_, columnsOf(film));
        row->setData(0, FilmRole, film.id);
        if (chosen == film.id)
            row->setSelected(true);
    }
    for (int column = 0; column < list_->columnCount(); ++column)
        list_->resizeColumnToContents(column);
    showChoice();
}

std::optional<int> FilmsPanel::chosenFilm() const
{
    const QList<QTreeWidgetItem*> chosen = list_->selectedItems();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.front()->data(0, FilmRole).toInt();
}

void FilmsPanel::showChoice()
{
    reprint_->setEnabled(chosenFilm().has_value());
    open_->setEnabled(chosenFilm().has_value());
}

// The reprint runs on the service's printer watch; its outcome comes into the list and the log.
void FilmsPanel::reprintChosen()
{
    if (const std::optional<int> chosen = chosenFilm(); chosen && !service_.reprint(*chosen))
        userDialogs().showMessage(QStringLiteral("The film cannot be reprinted now."), toQString(ProductName),
                                  QMessageBox::Warning);
}

void FilmsPanel::openChosen()
{
    const std::optional<int> chosen = chosenFilm();
    const std::optional<FilmRecord> film = chosen ? service_.film(*chosen) : std::nullopt;
    if (!film)
        return;
    const QString file = QString::fromStdString(film->film.file.string());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        userDialogs().showMessage(QStringLiteral("No program could open %1").arg(file), toQString(ProductName),
                                  QMessageBox::Warning);
}

} // namespace kestrova
