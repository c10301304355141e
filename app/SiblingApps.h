#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// The maker's three sibling products that the first-run window and the
// cross-promotion panel recommend: 1 the care suite, 2 Larkspire, 3 Morrowgate.
namespace SiblingApps {

inline constexpr int careSuite = 1;
inline constexpr int larkspire = 2;
inline constexpr int morrowgate = 3;

// "" for a number other than the three.
QString bundleIdentifier(int sibling);
// The page that presents the sibling, with the campaign query.
std::optional<QUrl> campaignPage(int sibling);

// Whether the sibling is installed; the system's look-up unless a test put
// another in place (an empty function restores it).
using InstalledCheck = std::function<bool(const QString &bundleIdentifier)>;
void setInstalledCheck(InstalledCheck check);
bool isInstalled(int sibling);

// The first sibling of the order that is not installed; 0 when all are.
int firstNotInstalled(std::initializer_list<int> order);

} // namespace SiblingApps

// A picture of the bundle by its name ("fs1.png", or "calloway_128" for
// "calloway_128.png"); a null image when the bundle has none.
QImage bundleImage(const QString &name);
