#pragma once
// The calculator button: the desktop's own calculator, whichever is installed.

#include <QStringList>

// The calculators tried, in order.
QStringList DesktopCalculators();

// Starts the first program of the list that starts; true when one did.
bool StartFirstProgram(const QStringList& programs);

// Starts the first calculator that starts, else tells the user none was found.
void LaunchCalculator(const QStringList& programs);
