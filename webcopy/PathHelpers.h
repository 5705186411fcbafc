#pragma once

#include <QString>

#include <functional>

// Local paths of the transfers. The delimiter is "/".

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

// The first of name(1).ext, name(2).ext, ... at which FileExists is false.
QString MakeUniqueFileName(const QString& path);
// The same, with `exists` telling what is taken (a file on a share, for one).
QString MakeUniqueFileName(const QString& path, const std::function<bool(const QString&)>& exists);

// The file's size in bytes, read without opening it; -1 when it cannot be read.
qint64 GetFileSize64(const QString& path);

// A file name that came from the other side (a URL, a listing), made safe to create inside a
// target directory: path separators and control characters become "_". "", "." and ".."
// name no file and give "".
QString NeutraliseFileName(const QString& name);

// The directory part of a path: everything before its last "/" ("" when there is none, "/"
// for a file in the root).
QString ParentDirectory(const QString& path);
