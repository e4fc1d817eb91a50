#pragma once

// The values the CD writer and its module tell each other.
struct CdTypes
{
    enum DiscStatus { DiscEmpty = 0, DiscOpen = 1, DiscClosed = 2, DiscOther = 3 };
    enum SessionStatus { SessionEmpty = 0, SessionIncomplete = 1, SessionUnknown = 2, SessionClosed = 3 };
    // What became of a file given to the image.
    enum class AddResult { Added, Replaced, NameTaken, Failed };
    // Codes of fileError.
    enum FileErrorCode { FileOpenError = 0, FileReadError = 1 };
};
