#pragma once

#include <QString>

class CdWriter;

// The texts of the CD writer's errors.
[[nodiscard]] QString WriteErrorText(const CdWriter& writer, qint32 errorType, qint32 extendedCode);
[[nodiscard]] QString FileErrorText(qint32 code, const QString& fileName);
[[nodiscard]] QString ExtendedErrorText(qint32 code);
