#pragma once

#include <QByteArray>

// Names of the temporary files that writers create beside their targets: ".STEM.XXXXXXXX.part",
// where STEM comes from the target's name and X is a random letter or digit.

// A download that may be resumed keeps its partial file under a fixed name instead, so that a
// later run finds it: ".STEM.resume.part", described by ".STEM.resume.info".

// Bytes that a temporary name adds to its stem (the kept names add fewer).
constexpr int TemporaryNameOverhead = 15;

// The stem for a target name (bytes, UTF-8): the whole name when the temporary name then fits in
// `maxNameBytes`, else a prefix cut between characters followed by '~' and eight hex digits of a
// hash of the whole name, so that two long names that share their start keep apart.
QByteArray TemporaryNameStem(const QByteArray& targetName, int maxNameBytes);

// A new temporary name for the stem, different on every call.
QByteArray NewTemporaryName(const QByteArray& stem);

// True when `name` is a temporary name (made by NewTemporaryName); `stem` then gets its stem.
bool IsTemporaryName(const QByteArray& name, QByteArray& stem);

// The fixed name of a target's kept partial file, and of the file that describes it.
QByteArray KeptPartialName(const QByteArray& stem);
QByteArray KeptInfoName(const QByteArray& stem);
// True when `name` is a kept partial file's name (of any stem); `stem` then gets its stem.
bool IsKeptPartialName(const QByteArray& name, QByteArray& stem);
