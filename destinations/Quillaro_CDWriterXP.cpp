#include "Quillaro_CDWriterXP.h"

#include <array>

#include "CdWriter.h"

namespace {

// Texts of the extended codes 1000 to 1053, in order.
constexpr std::array<const char*, 54> kExtended = {
    "No additional error data was reported",
    "Abnormal I/O Termination",
    "The drive is not ready",
    "Communication with drive unit failed",
    "The drive could not track properly",
    "Writing error of unknown origin",
    "Writing occurred, but recovery is needed",
    "Recovery attempt failed",
    "A buffer under-run has occurred",
    "The disc could not be read",
    "The drive's attempts at reading retries failed",
    "The read timed out",
    "While reading, the LEC was not recovered",
    "The CIRC could not be validated",
    "Reading of the UPC failed",
    "Reading of the ISRC failed",
    "Streaming while reading was interrupted",
    "Drive could not position media",
    "An incompatible parameter length was sent to the drive",
    "A transfer error occurred to the drive",
    "An invalid command was sent to the drive",
    "Error trying to write past the end of the media",
    "Invalid command field",
    "An incompatible parameter field was sent to the drive",
    "A command parameter is not supported",
    "A command parameter had an invalid value",
    "The SCSI/ATAPI bus was reset and caused a write failure",
    "A command parameter changed while in progress",
    "The disc is not compatible with the drive mode",
    "The drive does not recognize the format of the disc",
    "The disc format is not compatible with the drive",
    "The disc is of an unknown format",
    "The drive cannot write because of an incompatible format",
    "A disc is not present",
    "The drive had an unknown failure",
    "The drive has timed out while completing a command",
    "The disc could not be erased",
    "The Table of Contents is unrecoverable",
    "Error trying to write past the user area of the media",
    "Packet recording is not configured correctly",
    "The current track mode is incompatible with the disc format",
    "Packet recording has incorrect size",
    "A generic session closing error occurred",
    "Error closing Lead-in area",
    "Error closing Lead-out area",
    "While closing, the track was never completed",
    "Error attempting to write to a reserved track",
    "Power calibration area is full",
    "A flaw exists in the Power calibration area",
    "The disc's PMA could not be updated",
    "The disc's PMA is full",
    "Unknown error - use extended data for more information",
    "No Error Reported",
    "A seek command was interrupted by another command",
};

} // namespace

QString WriteErrorText(const CdWriter& writer, qint32 errorType, qint32 extendedCode)
{
    switch (errorType) {
    case 0:
        return QStringLiteral("The read buffer could not be initialized...check your memory/disc resources.");
    case 1:
        return QStringLiteral("The write buffer could not be initialized...check your memory/disc resources.");
    case 2:
        return QStringLiteral("A file error was encountered while writing the disc.");
    case 3:
        if (extendedCode == 1051)
            return QStringLiteral("An unknown device error has occurred (") + QString::number(extendedCode)
                   + QStringLiteral(").\nExtended Error Data - ") + writer.errorData();
        return ExtendedErrorText(extendedCode);
    case 4:
        return QStringLiteral("Tracks have been added the disc image...Please add tracks and try again.");
    case 5:
        return QStringLiteral("Tracks have been added the disc image with an invalid format...Please try again.");
    default:
        return QStringLiteral("Unknown writing error.");
    }
}

QString FileErrorText(qint32 code, const QString& fileName)
{
    switch (code) {
    case 0:
        return QStringLiteral("Error opening file: ") + fileName;
    case 1:
        return QStringLiteral("Error reading file: ") + fileName;
    case 2:
        return QStringLiteral("Error writing file: ") + fileName;
    case 4:
        return QStringLiteral("Error buffering file: ") + fileName;
    default:
        return QStringLiteral("Unknown file error!:");
    }
}

QString ExtendedErrorText(qint32 code)
{
    // One unsigned comparison: codes below 1000 wrap round to large numbers.
    const quint32 index = quint32(code) - 1000U;
    const QString text = index < kExtended.size() ? QString::fromLatin1(kExtended[index]) : QString();
    return text + QStringLiteral(" (") + QString::number(code) + QStringLiteral(").");
}
