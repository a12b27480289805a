#pragma once
// The final names of the files the program writes.
//
// Every output (frames, statistics, the league's table, a plot) is written under a
// unique temporary name and renamed to its final name once every byte is written
// (QSaveFile). QSaveFile follows a symbolic link at the final name and replaces
// the file the link points to, so every writer checks the final name first: it
// must be free or hold a regular file, which is then replaced whole. Anything
// else there (a link, even a dangling one; a folder; a pipe, a device, a socket)
// is refused and left as it is.
//
// File names reach Qt as QString. Qt spells them in the local 8-bit encoding,
// which Qt 6 takes to be UTF-8 on every Unix locale (C and POSIX included): bytes
// that are not UTF-8 become U+FFFD. A name given as bytes that does not survive
// this is refused rather than written under another name.

#include <QString>

#include <cstdint>
#include <string>

namespace vorlanth {

// A file name's bytes as Qt spells the name, and back (local 8-bit both ways).
QString DecodeFileName(const std::string& bytes);
std::string EncodeFileName(const QString& name);

// Throws Error(failure + reason) when `name` exists and is not a regular file.
// A missing folder or a denied access is left to the writer, which says why.
void CheckOutputName(const QString& name, const std::string& failure);

// A file name given as bytes, as Qt spells it; throws Error(failure + reason)
// when Qt cannot spell it unchanged.
QString ExactFileName(const std::string& bytes, const std::string& failure);

// A frame's file name, the same for the window and the runner: the prefix, "_",
// the counter in at least five digits, ".bmp" ("run" and 7: "run_00007.bmp").
std::string FrameFileName(const std::string& prefix, int64_t counter);

// Both checks, for an output's final name given as bytes; returns it as Qt spells it.
QString OutputName(const std::string& bytes, const std::string& failure);

}  // namespace vorlanth
