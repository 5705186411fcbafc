#include "cli/PropertyCheck.h"

#include "cli/UsageError.h"

#include <QMetaEnum>
#include <QMetaProperty>

#include <cmath>
#include <limits>

namespace {
QString Shown(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    if (value.isNull())
        return QStringLiteral("null");
    if (value.typeId() == QMetaType::QVariantList)
        return QStringLiteral("a list");
    if (value.typeId() == QMetaType::QVariantMap)
        return QStringLiteral("an object");
    return value.toString();
}

bool IsNumber(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int
        || value.typeId() == QMetaType::LongLong;
}

QVariant Converted(const QMetaProperty& property, const QVariant& value, const QString& field)
{
    const auto wrongType = [&](const QString& expected) {
        return TUsageError(QStringLiteral("%1: expected %2, got %3").arg(field, expected, Shown(value)));
    };
    if (property.isEnumType()) {
        const QMetaEnum values = property.enumerator();
        bool known = false;
        const int number = values.keyToValue(value.toString().toLatin1().constData(), &known);
        if (value.typeId() != QMetaType::QString || !known) {
            QStringList names;
            for (int i = 0; i < values.keyCount(); ++i)
                names << QString::fromLatin1(values.key(i));
            throw wrongType(QStringLiteral("one of ") + names.join(QStringLiteral(", ")));
        }
        return QVariant(property.metaType(), &number);
    }
    switch (property.typeId()) {
    case QMetaType::Bool:
        if (value.typeId() != QMetaType::Bool)
            throw wrongType(QStringLiteral("true or false"));
        return value;
    case QMetaType::Int: {
        const double number = value.toDouble();
        if (!IsNumber(value) || std::floor(number) != number || number < std::numeric_limits<int>::min()
            || number > std::numeric_limits<int>::max())
            throw wrongType(QStringLiteral("a whole number"));
        return QVariant(static_cast<int>(number));
    }
    case QMetaType::Double:
        if (!IsNumber(value))
            throw wrongType(QStringLiteral("a number"));
        return QVariant(value.toDouble());
    case QMetaType::QString:
        if (value.typeId() != QMetaType::QString)
            throw wrongType(QStringLiteral("a string"));
        return value;
    default:
        throw wrongType(QString::fromLatin1(property.typeName()));
    }
}
} // namespace

QVariantMap CheckedProperties(const QMetaObject& meta, const QVariantMap& settings, const QString& where)
{
    QVariantMap checked;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        const QString field = where + QLatin1Char('.') + it.key();
        const int index = meta.indexOfProperty(it.key().toLatin1().constData());
        // objectName belongs to QObject, not to the component.
        if (index < QObject::staticMetaObject.propertyCount() || !meta.property(index).isWritable())
            throw TUsageError(QStringLiteral("%1: unknown field").arg(field));
        checked.insert(it.key(), Converted(meta.property(index), it.value(), field));
    }
    return checked;
}
