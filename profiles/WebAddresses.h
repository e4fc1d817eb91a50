#pragma once

#include <QString>

// The maker's web addresses. Each is a value of the user's settings (section "Settings"),
// so that a mirror or a test server can stand in; the program's own address is the default.
namespace WebAddresses {

[[nodiscard]] QString homePage();     // key "HomePageURL"
[[nodiscard]] QString newsDocument(); // key "NewsURL"
[[nodiscard]] QString versionList();  // key "VersionListURL"
[[nodiscard]] QString downloadPage(); // key "DownloadURL"
// The program's own help by default: the README shipped with it.
[[nodiscard]] QString helpPage();      // key "HelpURL"
[[nodiscard]] QString productPage();   // key "ProductURL"
[[nodiscard]] QString tipsPage();      // key "TipsURL"
[[nodiscard]] QString forumPage();     // key "ForumURL"
[[nodiscard]] QString suitePage();     // key "SuiteURL", the maker's other programs
[[nodiscard]] QString bugReportPage(); // key "BugReportURL"

} // namespace WebAddresses
