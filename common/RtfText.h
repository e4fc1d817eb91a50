#pragma once

#include <QString>

// The text of a rich-text (RTF) document without its formatting: paragraphs and line breaks
// become line ends, escaped characters their characters; tables of fonts, colours and
// styles and embedded pictures are dropped.
[[nodiscard]] QString RtfPlainText(const QString& rtf);
