#include "DiscImage.h"

#include <QDir>
#include <QRegularExpression>

namespace {

QString xorriso(const QStringList& arguments)
{
    QString output;
    (void)TestSupport::runTool(QStringLiteral("xorriso"), arguments, &output);
    return output;
}

} // namespace

namespace DiscImage {

TestSupport::Tree files(const QString& image)
{
    const QString target = TestSupport::freshFolder(QStringLiteral("extracted"));
    QDir().rmdir(target);
    (void)TestSupport::runTool(QStringLiteral("osirrox"),
                               {QStringLiteral("-indev"), image, QStringLiteral("-extract"), QStringLiteral("/"), target});
    return TestSupport::readTree(target);
}

QString volumeId(const QString& image)
{
    const QRegularExpression line(QStringLiteral("Volume Id\\s*:\\s*(\\S*)"));
    return line.match(xorriso({QStringLiteral("-indev"), image, QStringLiteral("-pvd_info")})).captured(1);
}

int sessions(const QString& image)
{
    const QString toc = xorriso({QStringLiteral("-indev"), image, QStringLiteral("-toc")});
    return int(toc.count(QRegularExpression(QStringLiteral("(?m)^ISO session"))));
}

} // namespace DiscImage
