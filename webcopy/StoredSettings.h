#pragma once

#include <QStringList>
#include <QVariantMap>

class QObject;

// What an owner saves of a component's settings: every property whose value differs from
// that of a new instance (`defaults`), plus those listed as always stored.
QVariantMap NonDefaultProperties(const QObject& object, const QObject& defaults, const QStringList& alwaysStored);

// Sets the named properties; unknown names are ignored.
void LoadProperties(QObject& object, const QVariantMap& settings);
