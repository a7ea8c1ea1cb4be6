#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>

namespace kestrova {
namespace {

class QtUserDialogs : public UserDialogs {
public:
    void showMessage(const QString& text, const QString& title, QMessageBox::Icon icon) override
    {
        QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    }

    std::optional<QFont> chooseFont(const QFont& current) override
    {
        bool chosen = false;
        const QFont font = QFontDialog::getFont(&chosen, current, QApplication::activeWindow());
        if (!chosen)
            return std::nullopt;
        return font;
    }

    std::optional<QString> chooseOpenFile(const QString& filter) override
    {
        const QString file = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(), filter);
        if (file.isEmpty())
            return std::nullopt;
        return file;
    }
};

QtUserDialogs platformDialogs;
UserDialogs* current = &platformDialogs;

} // namespace

UserDialogs& userDialogs() { return *current; }

UserDialogsOverride::UserDialogsOverride(UserDialogs& dialogs)
    : previous_(current)
{
    current = &dialogs;
}

UserDialogsOverride::~UserDialogsOverride() { current = previous_; }

} // namespace kestrova
