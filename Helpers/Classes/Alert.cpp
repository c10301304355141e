#include "Alert.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

AlertRunner &currentRunner()
{
    static AlertRunner runner = [](QMessageBox &alert) { alert.exec(); };
    return runner;
}

} // namespace

AlertRunner setAlertRunner(AlertRunner runner)
{
    AlertRunner previous = std::move(currentRunner());
    currentRunner() = runner ? std::move(runner) : [](QMessageBox &alert) { alert.exec(); };
    return previous;
}

bool showAlert(const QString &message, const QString &informativeText)
{
    QMessageBox alert;
    alert.setIcon(QMessageBox::Warning);
    alert.setText(message);
    alert.setInformativeText(informativeText);
    QPushButton *ok = alert.addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    alert.setDefaultButton(ok);
    currentRunner()(alert);
    return alert.clickedButton() == ok;
}
