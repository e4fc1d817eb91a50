#pragma once

#include <QtGlobal>

// The record marks and limits of the ZIP format that the writer and the check share.
namespace ZipFormat {

constexpr quint32 kLocalSignature = 0x04034b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kEnd64Signature = 0x06064b50;
constexpr quint32 kLocator64Signature = 0x07064b50;
constexpr quint16 kZip64Field = 0x0001;
constexpr qint64 kMax32 = 0xffffffffLL;
constexpr qint64 kMax16 = 0xffff;

} // namespace ZipFormat
