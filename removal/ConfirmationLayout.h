#pragma once

#include <QString>

class QCheckBox;
class QLabel;
class QWidget;
class SYFlatButton;

// The look shared by the two confirmation dialogs: the warning picture, a
// title, the message, a do-not-show-again box and OK and Cancel.
struct ConfirmationOutlets
{
    QLabel *imgView = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblMessage = nullptr;
    QCheckBox *box = nullptr;
    SYFlatButton *btnOk = nullptr;
    SYFlatButton *btnCancel = nullptr;
};

// Builds the children on the host; the box gets the given object name.
ConfirmationOutlets buildConfirmation(QWidget *host, const char *boxName, const QString &titleKey,
                                      const QString &messageKey);
