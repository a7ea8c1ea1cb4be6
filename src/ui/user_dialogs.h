#pragma once
// Every message box and platform dialog the program shows goes through here, so tests
// can answer them without a person.

#include <QFont>
#include <QMessageBox>
#include <QString>

#include <optional>

namespace kestrova {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // Waits until the message is acknowledged.
    virtual void showMessage(const QString& text, const QString& title, QMessageBox::Icon icon) = 0;
    // The chosen font, or nothing when the dialog was cancelled.
    virtual std::optional<QFont> chooseFont(const QFont& current) = 0;
    // The full path of the chosen file, or nothing when the dialog was cancelled.
    virtual std::optional<QString> chooseOpenFile(const QString& filter) = 0;
};

// The dialogs in use: the platform's, unless an override is in place.
UserDialogs& userDialogs();

// Puts other dialogs in place for its lifetime.
class UserDialogsOverride {
public:
    explicit UserDialogsOverride(UserDialogs& dialogs);
    ~UserDialogsOverride();
    UserDialogsOverride(const UserDialogsOverride&) = delete;
    UserDialogsOverride& operator=(const UserDialogsOverride&) = delete;

private:
    UserDialogs* previous_;
};

} // namespace kestrova
