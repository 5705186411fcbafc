#pragma once

#include <QString>

// What one ShowProgress step costs, called as a copy of `size` bytes in 32 KiB blocks calls it,
// inside a run with the dialog shown; a second, untimed pass compares the size line with the
// exact text after every step.
class TProgressStepCost {
public:
    // False when the run that hosts the measurement could not be made (a tiny file in workDir).
    bool Measure(const QString& workDir, qint64 size);
    double NsPerCall() const { return FNsPerCall; }
    qint64 Calls() const { return FCalls; }
    qint64 WrongTexts() const { return FWrongTexts; }

private:
    double FNsPerCall = 0;
    qint64 FCalls = 0;
    qint64 FWrongTexts = 0;
};
