#pragma once

#include <QStringList>

// Records message boxes instead of showing them.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    QStringList texts;
};
