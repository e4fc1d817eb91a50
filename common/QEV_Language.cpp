#include "QEV_Language.h"

#include <QFile>
#include <QStringList>

#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"

namespace {

QStringList& table()
{
    static QStringList texts;
    return texts;
}

// Characters 2 to 5 as a 16-bit number, blanks around the digits allowed.
bool parseNumber(const QString& line, int* number)
{
    bool ok = false;
    const int n = line.mid(1, 4).trimmed().toInt(&ok);
    if (!ok || n < 0 || n > 32767)
        return false;
    *number = n;
    return true;
}

void store(int number, const QString& text)
{
    QStringList& t = table();
    while (t.size() <= number)
        t.append(QString());
    t[number] = text;
}

void readEntry(const QString& rawLine, int lineNumber, const QString& path)
{
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || line.at(0) != QLatin1Char('T'))
        return;
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0 || tab == line.size() - 1)
        return;
    int number = 0;
    if (!parseNumber(line, &number)) {
        ReportError(ModulLabel("set_language", "QEV_Language"), ErrNo::TypeMismatch,
                    QStringLiteral("malformed entry in line %1 of %2").arg(lineNumber).arg(path));
        return;
    }
    store(number, line.mid(tab + 1).trimmed());
}

} // namespace

bool LoadLanguageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    table().clear();
    int lineNumber = 0;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        if (raw.endsWith('\n'))
            raw.chop(1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        readEntry(QString::fromUtf8(raw), ++lineNumber, path);
    }
    return file.error() == QFileDevice::NoError;
}

bool set_language(const QString& fileName)
{
    const QString path = Paths::commonFolder() + QStringLiteral("/language/") + fileName;
    if (!QFile::exists(path)) {
        MsgBox(QStringLiteral("The language file ") + fileName + QStringLiteral(" is missing!\n")
                   + QStringLiteral("Please install the q.e.v language package.\n")
                   + QStringLiteral("The program will be terminated now."),
               MsgButtons::Ok, MsgIcon::None, AppName);
        DoEvents();
        return false;
    }
    if (!LoadLanguageFile(path)) {
        ReportError(ModulLabel("set_language", "QEV_Language"), ErrNo::PathFileAccess,
                    QStringLiteral("cannot read ") + path);
        DoEvents();
        return false;
    }
    return true;
}

QString LangText(int n)
{
    const QStringList& t = table();
    return (n >= 0 && n < t.size()) ? t.at(n) : QString();
}

int LangTextCount() { return static_cast<int>(table().size()) - 1; }
