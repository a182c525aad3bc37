#pragma once
// Everything that waits for the user goes through one process-wide host: message boxes,
// modal windows, file and printer dialogs, plus the beep, help and calculator. The real host
// (platform/real_host.h) uses Qt's dialogs; tests install a scripted host
// (platform/scripted_host.h).

#include <QString>
#include <QStringList>
#include <vector>

class Form;

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
// The button pressed. The values are those of the modal results (platform/form.h).
enum class MsgResult {
    None = 0,
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7
};

// The buttons a box offers, in the order shown.
std::vector<MsgResult> OfferedButtons(MsgButtons buttons);

// The answer a box gives when it is closed without choosing (Escape, or a script that has
// no answer for it): Cancel when offered, else No, else Abort, else Ok.
MsgResult DismissResult(MsgButtons buttons);

// A file dialog. Filter uses the "Description|*.EXT|Other|*.A;*.B" form; patterns match
// regardless of case.
struct FileRequest {
    bool save = false;
    QString title;
    QString filter;
    QString defaultExt;  // without the dot; added when the name typed has none
    QString fileName;    // proposed name or path
    QString directory;   // where the dialog starts; empty: where it last was
    // Save dialogs ask before replacing a file unless the caller asks its own question.
    bool confirmOverwrite = true;
    // When set, an open dialog offers an "Open as read-only" box and its state lands here.
    bool* readOnly = nullptr;
};

enum class PrinterDialogKind { Setup, Print };

class MessageHost {
public:
    virtual ~MessageHost() = default;
    virtual MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                                  MsgButtons buttons) = 0;
    // Shows the window modally and returns its modal result (never 0).
    virtual int ShowModal(Form& form) = 0;
    // The chosen path, or an empty string when cancelled.
    virtual QString AskFileName(const FileRequest& request) = 0;
    // Runs a dialog over the program-wide printer; true when closed with OK.
    virtual bool RunPrinterDialog(PrinterDialogKind kind) = 0;
    virtual void Beep() = 0;
    virtual void ShowHelp(const QString& keyword) = 0;
    virtual void RunCalculator() = 0;
};

// A host for work nobody watches (a sample being written, a benchmark, a walk over the
// windows): every box is dismissed, no file or printer is chosen, and the beep, help and
// calculator do nothing. What a modal window does is for each such host to say.
class UnattendedHost : public MessageHost {
public:
    MsgResult ShowMessage(const QString&, const QString&, MsgIcon, MsgButtons buttons) override {
        return DismissResult(buttons);
    }
    QString AskFileName(const FileRequest&) override { return {}; }
    bool RunPrinterDialog(PrinterDialogKind) override { return false; }
    void Beep() override {}
    void ShowHelp(const QString&) override {}
    void RunCalculator() override {}
};

// The host in use: the one installed, else the real one. These two are defined beside the
// real host (platform/real_host.cpp), so that the host's users need not include what it uses.
MessageHost& Host();
// Installs a host (nullptr: back to the real one); returns the previous one.
MessageHost* InstallHost(MessageHost* host);

// --- the calls windows make ------------------------------------------------------------
MsgResult MessageBox(const QString& text, const QString& caption, MsgIcon icon = MsgIcon::None,
                     MsgButtons buttons = MsgButtons::Ok);
int ShowModal(Form& form);
// The save dialog (it asks before replacing a file); an empty string when cancelled.
QString AskSaveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                        const QString& fileName = {});
// The open dialog; an empty string when cancelled.
QString AskOpenFileName(const QString& title, const QString& filter, const QString& fileName = {});
// The folder a save dialog proposes: the folder used last while it exists, else the user's
// documents folder when it exists, else the folder given, else the home folder (never the
// program's working folder, and never a folder that is not there).
class SaveFolder {
public:
    // The name in the folder.
    QString Proposal(const QString& fileName, const QString& otherwise = {}) const;
    // Remembers the folder of the path chosen.
    void Used(const QString& path);
    // Keeps the folder used last in the file from now on (one line, the folder's path), so
    // that another run proposes it too; takes the folder the file holds.
    void KeepIn(const QString& file);

private:
    QString last_;
    QString keep_;
    QString kept_;  // what keep_ holds as this run wrote or read it: not written again
};
// The printer set-up dialog over the program-wide printer; its result is not needed.
bool PrinterSetup();
// The print dialog (printer and copies); false when cancelled.
bool PrintDialog();
void Beep();
// Opens the help page of the keyword (help/<keyword>.html).
void ShowHelp(const QString& keyword);
// Starts the desktop's calculator, or says "Windows Calculator not found.".
void RunCalculator();

// Qt's filter text for a "Description|*.EXT" filter, patterns in both cases.
QString QtFileFilter(const QString& filter);
// The path with the default extension added when its file name has none.
QString WithDefaultExtension(const QString& path, const QString& defaultExt);
