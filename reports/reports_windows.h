#pragma once
// The reports unit's windows, created once at start-up: the print queue, the report viewer
// and the letter wizard (which reads the queue). It also plugs the
// managers' "&Add to Label Queue" command into the queue, so create it after the masters'
// windows.

#include <memory>

#include "platform/instance_scope.h"

class TLetterWiz;
class Tlblwiz;
class Trtreport;

class ReportsWindows {
public:
    ReportsWindows();
    ~ReportsWindows();
    ReportsWindows(const ReportsWindows&) = delete;
    ReportsWindows& operator=(const ReportsWindows&) = delete;

private:
    std::unique_ptr<Tlblwiz> labelWizard_;
    std::unique_ptr<Trtreport> reportViewer_;
    InstanceScope<TLetterWiz> letterWizard_;
};
