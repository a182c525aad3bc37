#pragma once
// ProgramWindows: every window of the program, created once for the whole run with the main
// window first, each unit's command registered on the main window, and the print queue
// plugged into posting. The program holds one for its run; tests hold one to meet the
// program exactly as the user does.

#include <memory>

class TMainForm;

class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    TMainForm& mainForm();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
