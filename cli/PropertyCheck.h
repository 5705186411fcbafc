#pragma once

#include <QVariantMap>

struct QMetaObject;

// Checks settings given by name against the properties of a component class before they are
// loaded: every name must be a writable property and every value must have its type (an
// enumeration by its name). Returns the values converted to the property types; throws
// TUsageError naming `where` and the field otherwise.
QVariantMap CheckedProperties(const QMetaObject& meta, const QVariantMap& settings, const QString& where);
