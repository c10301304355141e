#pragma once

#include <QDialog>
#include <QVariant>

#include <array>
#include <optional>

class QLabel;
class QPushButton;

// Which sibling the panel shows, from the stored rotation counter: the order
// to try and the counter to store next. A counter that is absent or not an
// integer counts as 1 and is stored; another integer outside 1 to 3 chooses
// nothing and stores nothing.
struct AdvertiseRotation
{
    bool storeFirst = false;          // store 1 before anything else
    std::optional<qint64> nextValue;  // the counter to store afterwards
    std::array<int, 3> order{};       // siblings to try; all 0 when none
    static AdvertiseRotation fromStored(const QVariant &stored);
};

// The cross-promotion panel: one sibling product that is not installed yet,
// with its icon, name, tagline, four feature pictures and a button to its
// page. Application-modal, fixed in size; which sibling comes first rotates
// from one showing to the next.
class AdvertiseVC : public QDialog
{
    Q_OBJECT

public:
    explicit AdvertiseVC(QWidget *parent = nullptr);

    // Shows the panel over the context's window unless every sibling is
    // installed or the context is gone.
    Q_INVOKABLE void advertise(QWidget *context);

    // 0 none, 1 care suite, 2 Larkspire, 3 Morrowgate.
    int isRecommended() const { return m_isRecommended; }

    // Opens the shown sibling's page; does nothing while none is shown.
    void clickedMacAppStore();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void viewWillAppear();
    void fill(int sibling);

    QLabel *lblAwesome = nullptr;
    QLabel *lblNowTry = nullptr;
    QLabel *imgViewReferalAppIcon = nullptr;
    QLabel *lblReferalAppName = nullptr;
    QLabel *lblReferalAppTagline = nullptr;
    std::array<QLabel *, 4> imgNo{};
    std::array<QLabel *, 4> lblImg{};
    QPushButton *btnAppStore = nullptr;
    int m_isRecommended = 0;
};
