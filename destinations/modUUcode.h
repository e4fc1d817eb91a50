#pragma once

#include <QByteArray>
#include <QString>

// Uuencoding of files, so that the mail client can carry binary attachments inside a
// plain-text message.

// Writes the uuencode form of the input file (lines ending CR LF, named after the part of the
// path after its last "/") to the output file, appended after an empty line when append is
// true, else into a new file. 0 on success, else the number of the error that stopped it;
// lines already written stay.
[[nodiscard]] int UUEncodeFile(const QString& inputPath, const QString& outputPath, bool append);

// The encoding of the bytes, four characters for three; text is first padded in place with
// zero bytes to a multiple of three.
[[nodiscard]] QByteArray UUEncode(QByteArray& text);
