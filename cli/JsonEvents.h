#pragma once

#include <QElapsedTimer>
#include <QJsonObject>

#include <cstdio>

class TWebCopy;

// Writes every event of a run as one JSON object per line: {"event": name, "item": index of
// the item it concerns, the event's arguments, and for a failure "reason" and "cause" (the
// item's ErrorCause by name)}. Progress events come at most a few times a second, and always
// for the last block of a file. After the run, one "Result" event per item.
class TJsonEvents {
public:
    TJsonEvents(TWebCopy& copy, std::FILE* stream);

    void WriteResults();

private:
    void Write(const QString& event, QJsonObject fields);
    // Adds the current item's failure reason and cause, once the run has set them.
    void AddFailure(QJsonObject& fields) const;

    TWebCopy& FCopy;
    std::FILE* FStream;
    int FCurrent = -1;
    quint32 FLastSize = 0;
    QElapsedTimer FSinceProgress;
};
