#pragma once

#include <QByteArray>

// Names of the temporary files that writers create beside their targets: ".STEM.XXXXXXXX.part",
// where STEM comes from the target's name and X is a random letter or digit.

// Bytes that a temporary name adds to its stem.
constexpr int TemporaryNameOverhead = 15;

// The stem for a target name (bytes, UTF-8): the whole name when the temporary name then fits in
// `maxNameBytes`, else a prefix cut between characters followed by '~' and eight hex digits of a
// hash of the whole name, so that two long names that share their start keep apart.
QByteArray TemporaryNameStem(const QByteArray& targetName, int maxNameBytes);

// A new temporary name for the stem, different on every call.
QByteArray NewTemporaryName(const QByteArray& stem);

// True when `name` is a temporary name made from `stem` (by NewTemporaryName).
bool IsTemporaryNameOf(const QByteArray& name, const QByteArray& stem);
