#pragma once

#include <QByteArray>
#include <QString>

// The maker's version list: one record a line, a product number and that product's version
// ("major.minor.revision") separated by a comma; either field may stand in double quotes.
namespace VersionList {

struct Version
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

enum class Verdict {
    NoInformation, // no list, no record of the product, or the search ended at a blank record
    Broken,        // the product's version is not three numbers; error tells why
    NotNewer,
    Newer,
};

struct Check
{
    Verdict verdict = Verdict::NoInformation;
    QString listed;   // the product's version exactly as listed
    int langText = 0; // Newer: 47 for a new major, 46 a new minor, 45 a new revision
    QString error;
};

// Looks for the product's record in the list's text and compares its version with the
// running one. A text shorter than 5 bytes is no list.
[[nodiscard]] Check judge(const QByteArray& list, const QString& product, const Version& running);

} // namespace VersionList
