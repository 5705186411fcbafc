#pragma once

#include <QString>

#include <functional>

// Local paths of the transfers. The delimiter is "/".

// The longest name most file systems take, in bytes of UTF-8.
constexpr int DefaultFileNameMaxBytes = 255;

// The file name alone for an empty directory; else the directory, a "/" unless it ends in
// one, and the file name (which is not examined).
QString CombinePath(const QString& dir, const QString& fileName);

// True when the path exists and is a directory.
bool IsDirectory(const QString& path);

// True when something other than a directory is at the path (a dangling link included): the
// test for "the target file exists" that agrees with MakeUniqueFileName.
bool FileExists(const QString& path);

// Creates the directory and its missing parents; true when it exists afterwards. A trailing
// "/" is ignored; "" and "/" give true.
bool MakeDirectories(const QString& dir);

// The name without its extension: from the last "." after the last "/" on.
QString RemoveFileExt(const QString& fileName);

// The first of name(1).ext, name(2).ext, ... at which FileExists is false. Where the number
// would make the name longer than maxBytes, the stem is shortened (whole characters); an
// extension that leaves no room for the number is shortened too, and the number goes last
// (name.e(1)). The file name always fits maxBytes when the number alone does.
QString MakeUniqueFileName(const QString& path, int maxBytes = DefaultFileNameMaxBytes);
// The same, with `exists` telling what is taken (a file on a share, for one).
QString MakeUniqueFileName(const QString& path, const std::function<bool(const QString&)>& exists,
                           int maxBytes = DefaultFileNameMaxBytes);

// The file's size in bytes, read without opening it; -1 when it cannot be read.
qint64 GetFileSize64(const QString& path);

// A file name that came from the other side (a URL, a listing), made safe to create inside a
// target directory: path separators, control characters (C0, DEL, C1), bidirectional
// overrides and isolates (which make a name read differently from what it is) and unpaired
// surrogates become "_", and a name longer than maxBytes is shortened by FitFileName. The
// result is one name component, neither "." nor "..", that fits maxBytes; "" when the name
// names no file ("", ".", "..") or cannot be made to fit.
QString NeutraliseFileName(const QString& name, int maxBytes = DefaultFileNameMaxBytes);

// The name shortened to at most maxBytes bytes of UTF-8, cut between characters (never
// inside a surrogate pair), keeping the extension (from the last "." on) when at least one
// character before it fits too. A name that fits is returned unchanged; "" when not even one
// character fits.
QString FitFileName(const QString& name, int maxBytes);

// The directory part of a path: everything before its last "/" ("" when there is none, "/"
// for a file in the root).
QString ParentDirectory(const QString& path);
