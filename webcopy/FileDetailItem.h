#pragma once

#include "webcopy/DateTime.h"

#include <QString>

// One remote directory entry as a listing reports it.
struct TFileDetailItem {
    quint32 FileAttributes = 0;
    QString Filename;
    quint32 FileSizeLow = 0;
    quint32 FileSizeHigh = 0;
    TFileTime FileDate;
};
