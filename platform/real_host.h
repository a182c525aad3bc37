#pragma once
// The real message host: Qt's message boxes, file and printer dialogs, the help window and the
// desktop calculator behind the calls windows make (platform/message_host.h).

#include "platform/message_host.h"

// The real host, also usable as a base for hosts that change only some calls.
class RealHost : public MessageHost {
public:
    MsgResult ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                          MsgButtons buttons) override;
    int ShowModal(Form& form) override;
    QString AskFileName(const FileRequest& request) override;
    bool RunPrinterDialog(PrinterDialogKind kind) override;
    void Beep() override;
    void ShowHelp(const QString& keyword) override;
    void RunCalculator() override;
};
