#include "cli/JobFile.h"

#include "cli/PropertyCheck.h"
#include "cli/UsageError.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyItem.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void JobFile::Load(const QString& path, TRunRequest& request)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TUsageError(QStringLiteral("%1: cannot read the job file: %2").arg(path, file.errorString()));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        throw TUsageError(QStringLiteral("%1: not JSON at byte %2: %3").arg(path).arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        throw TUsageError(QStringLiteral("%1: expected an object with \"settings\" and \"items\"").arg(path));
    const QJsonObject job = document.object();
    for (auto it = job.begin(); it != job.end(); ++it) {
        if (it.key() != QLatin1String("settings") && it.key() != QLatin1String("items"))
            throw TUsageError(QStringLiteral("%1: %2: unknown field").arg(path, it.key()));
    }
    const QJsonValue settings = job.value(QLatin1String("settings"));
    if (!settings.isUndefined() && !settings.isObject())
        throw TUsageError(QStringLiteral("%1: settings: expected an object").arg(path));
    request.Settings.insert(CheckedProperties(TWebCopy::staticMetaObject, settings.toObject().toVariantMap(),
                                              path + QStringLiteral(": settings")));
    const QJsonValue items = job.value(QLatin1String("items"));
    if (!items.isArray() || items.toArray().isEmpty())
        throw TUsageError(QStringLiteral("%1: items: expected a list of at least one item").arg(path));
    const QJsonArray list = items.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("%1: items[%2]").arg(path).arg(i);
        if (!list.at(i).isObject())
            throw TUsageError(where + QStringLiteral(": expected an object"));
        request.Items << CheckedProperties(TWebCopyItem::staticMetaObject, list.at(i).toObject().toVariantMap(), where);
    }
}
