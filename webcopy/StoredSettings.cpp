#include "webcopy/StoredSettings.h"

#include <QMetaProperty>
#include <QObject>

QVariantMap NonDefaultProperties(const QObject& object, const QObject& defaults, const QStringList& alwaysStored)
{
    QVariantMap stored;
    const QMetaObject* meta = object.metaObject();
    // Properties of QObject itself (objectName) are the base's business.
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable())
            continue;
        const QString name = QString::fromLatin1(property.name());
        const QVariant value = property.read(&object);
        if (alwaysStored.contains(name) || value != property.read(&defaults))
            stored.insert(name, value);
    }
    return stored;
}

void LoadProperties(QObject& object, const QVariantMap& settings)
{
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        const int index = object.metaObject()->indexOfProperty(it.key().toLatin1().constData());
        if (index >= 0)
            object.metaObject()->property(index).write(&object, it.value());
    }
}
