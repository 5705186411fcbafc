#include "cli/JsonEvents.h"

#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyItem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaEnum>

namespace {
constexpr qint64 ProgressIntervalMs = 200;

QString CauseName(TTransferCause cause)
{
    return QString::fromLatin1(QMetaEnum::fromType<TTransferCause>().valueToKey(static_cast<int>(cause)));
}
} // namespace

TJsonEvents::TJsonEvents(TWebCopy& copy, std::FILE* stream) : FCopy(copy), FStream(stream)
{
    copy.OnFileStart = [this](QObject*, int idx) {
        FCurrent = idx;
        FSinceProgress.invalidate();
        Write(QStringLiteral("FileStart"), {});
    };
    copy.OnFileDone = [this](QObject*, int) { Write(QStringLiteral("FileDone"), {}); };
    copy.OnCopyProgress = [this](QObject*, int, quint32 size, quint32 total) {
        const bool last = total > 0 && size >= total;
        // A step repeated at the end of a file says nothing new.
        if (size == FLastSize && FSinceProgress.isValid())
            return;
        if (!last && FSinceProgress.isValid() && FSinceProgress.elapsed() < ProgressIntervalMs)
            return;
        FSinceProgress.start();
        FLastSize = size;
        Write(QStringLiteral("Progress"), {{QStringLiteral("size"), qint64(size)}, {QStringLiteral("total"), qint64(total)}});
    };
    copy.OnError = [this](QObject*, int code) {
        QJsonObject fields{{QStringLiteral("code"), code}};
        AddFailure(fields);
        Write(QStringLiteral("Error"), fields);
    };
    copy.OnErrorInfo = [this](QObject*, int code, const QString& info) {
        QJsonObject fields{{QStringLiteral("code"), code}, {QStringLiteral("info"), info}};
        AddFailure(fields);
        Write(QStringLiteral("ErrorInfo"), fields);
    };
    copy.OnURLNotFound = [this](QObject*, const QString& url) {
        QJsonObject fields{{QStringLiteral("url"), url}};
        AddFailure(fields);
        Write(QStringLiteral("URLNotFound"), fields);
    };
    copy.OnConnectError = [this](QObject*) {
        QJsonObject fields;
        AddFailure(fields);
        Write(QStringLiteral("ConnectError"), fields);
    };
    copy.OnNoNewFileFound = [this](QObject*, const QString& target, TDateTime current, TDateTime newer) {
        Write(QStringLiteral("NoNewFileFound"),
              {{QStringLiteral("target"), target}, {QStringLiteral("current"), current}, {QStringLiteral("new"), newer}});
    };
    copy.OnMultiFTPFileDone = [this](QObject*, const QString& name) {
        Write(QStringLiteral("MultiFTPFileDone"), {{QStringLiteral("file"), name}});
    };
    copy.OnRemovedFile = [this](QObject*, int) { Write(QStringLiteral("RemovedFile"), {}); };
    copy.OnRemovedFileFailed = [this](QObject*, int) { Write(QStringLiteral("RemovedFileFailed"), {}); };
    copy.OnCopyCancel = [this](QObject*) { Write(QStringLiteral("CopyCancel"), {}); };
    copy.OnCopyDone = [this](QObject*) { Write(QStringLiteral("CopyDone"), {}); };
}

void TJsonEvents::WriteResults()
{
    for (int i = 0; i < FCopy.Items().Count(); ++i) {
        const TWebCopyItem& item = *FCopy.Items()[i];
        FCurrent = i;
        QJsonObject fields{{QStringLiteral("success"), item.Success()},
                           {QStringLiteral("cancelled"), item.Cancelled()},
                           {QStringLiteral("noNewVersion"), item.NoNewVersion()},
                           {QStringLiteral("cause"), CauseName(item.ErrorCause())},
                           {QStringLiteral("reason"), item.ErrorReason()},
                           {QStringLiteral("errorCode"), item.ErrorCode()},
                           {QStringLiteral("httpStatus"), item.HttpStatus()}};
        if (item.FileList())
            fields.insert(QStringLiteral("files"), QJsonArray::fromStringList(*item.FileList()));
        Write(QStringLiteral("Result"), fields);
    }
}

void TJsonEvents::Write(const QString& event, QJsonObject fields)
{
    fields.insert(QStringLiteral("event"), event);
    fields.insert(QStringLiteral("item"), FCurrent);
    std::fputs((QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n').constData(), FStream);
    std::fflush(FStream);
}

void TJsonEvents::AddFailure(QJsonObject& fields) const
{
    if (FCurrent < 0 || FCurrent >= FCopy.Items().Count())
        return;
    const TWebCopyItem& item = *FCopy.Items()[FCurrent];
    fields.insert(QStringLiteral("reason"), item.ErrorReason());
    fields.insert(QStringLiteral("cause"), CauseName(item.ErrorCause()));
}
