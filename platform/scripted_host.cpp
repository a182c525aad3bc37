#include "platform/scripted_host.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <algorithm>

#include "platform/application.h"
#include "platform/font_dialog.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"

ScriptedHost::ScriptedHost(Failure onFailure) : fail_(std::move(onFailure)) {}

ScriptedHost& ScriptedHost::Answer(MsgResult result, const QString& text, const QString& caption) {
    Step& step = Push(Kind::Message);
    step.answer = result;
    step.text = text;
    step.caption = caption;
    return *this;
}

ScriptedHost& ScriptedHost::OnModal(const QString& formName, ModalScript script) {
    Step& step = Push(Kind::Modal);
    step.name = formName;
    step.script = std::move(script);
    return *this;
}

ScriptedHost& ScriptedHost::AnswerFont(std::optional<FontSpec> font) {
    return OnModal("FontDialog", [font](Form& form) {
        auto& dialog = static_cast<FontDialog&>(form);
        if (font) dialog.SetSpec(*font);
        dialog.SetModalResult(font ? Modal::Ok : Modal::Cancel);
    });
}

ScriptedHost& ScriptedHost::AnswerFile(const QString& path, bool readOnly) {
    Step& step = Push(Kind::File);
    step.text = path;
    step.ok = readOnly;
    return *this;
}

ScriptedHost& ScriptedHost::AnswerPrinterDialog(bool ok) {
    Step& step = Push(Kind::PrinterDialog);
    step.ok = ok;
    return *this;
}

ScriptedHost::Step& ScriptedHost::Push(Kind kind) {
    steps_.emplace_back();
    steps_.back().kind = kind;
    return steps_.back();
}

ScriptedHost::Shown& ScriptedHost::Note(Kind kind, const QString& caption, const QString& text) {
    Shown& shown = record_.emplace_back();
    shown.kind = kind;
    shown.caption = caption;
    shown.text = text;
    return shown;
}

QString ScriptedHost::Describe(Kind kind) {
    switch (kind) {
        case Kind::Message:
            return "message box";
        case Kind::Modal:
            return "modal window";
        case Kind::File:
            return "file dialog";
        case Kind::PrinterDialog:
            return "printer dialog";
        case Kind::Beep:
            return "beep";
        case Kind::Help:
            return "help";
        case Kind::Calculator:
            return "calculator";
    }
    return "?";
}

std::optional<ScriptedHost::Step> ScriptedHost::Take(Kind kind, const QString& what) {
    if (steps_.empty()) {
        fail_("Unexpected " + Describe(kind) + ": " + what + " (nothing scripted for it)");
        return std::nullopt;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.kind != kind) {
        fail_("Unexpected " + Describe(kind) + ": " + what + " (the script expected a " +
              Describe(step.kind) + " next)");
        return std::nullopt;
    }
    return step;
}

MsgResult ScriptedHost::ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                                    MsgButtons buttons) {
    Shown& shown = Note(Kind::Message, caption, text);
    shown.icon = icon;
    shown.buttons = buttons;
    const QString what = "\"" + caption + "\": " + text;
    MsgResult result = DismissResult(buttons);
    if (auto step = Take(Kind::Message, what)) {
        if (!step->text.isNull() && step->text != text) {
            fail_("Message box " + what + " differs from the one scripted: " + step->text);
        } else if (!step->caption.isNull() && step->caption != caption) {
            fail_("Message box " + what + " has not the caption scripted: " + step->caption);
        } else if (std::ranges::count(OfferedButtons(buttons), step->answer) == 0) {
            fail_("Message box " + what + " does not offer the button scripted");
        } else {
            result = step->answer;
        }
    }
    record_.back().result = static_cast<int>(result);
    return result;
}

int ScriptedHost::ShowModal(Form& form) {
    Note(Kind::Modal, form.windowTitle(), form.objectName());
    const std::size_t entry = record_.size() - 1;
    const QString what = "\"" + form.windowTitle() + "\" (" + form.objectName() + ")";
    auto step = Take(Kind::Modal, what);
    if (step && !step->name.isEmpty() && step->name != form.objectName()) {
        fail_("Modal window " + what + " is not the one scripted: " + step->name);
        step.reset();
    }
    int result = Modal::Cancel;
    if (step) {
        form.BeginScriptedShow();
        const ScopeExit hide([&form] { form.EndScriptedShow(); });
        step->script(form);
        result = form.ModalResult();
        if (result == Modal::None) {
            fail_("Modal window " + what + " was left open by its script");
            result = Modal::Cancel;
        }
    }
    record_[entry].result = result;
    return result;
}

QString ScriptedHost::AskFileName(const FileRequest& request) {
    Note(Kind::File, request.title);
    QString path;
    if (auto step = Take(Kind::File, "\"" + request.title + "\"")) {
        path = step->text;
        if (request.readOnly && !path.isEmpty()) *request.readOnly = step->ok;
    }
    record_.back().text = path;
    record_.back().result = path.isEmpty() ? 0 : 1;
    record_.back().proposed = request.fileName;
    record_.back().directory = request.directory;
    return path;
}

bool ScriptedHost::RunPrinterDialog(PrinterDialogKind kind) {
    const QString title = kind == PrinterDialogKind::Setup ? "Printer Setup" : "Print";
    Note(Kind::PrinterDialog, title);
    bool ok = false;
    if (auto step = Take(Kind::PrinterDialog, title)) ok = step->ok;
    record_.back().result = ok ? 1 : 0;
    return ok;
}

void ScriptedHost::Beep() {
    Note(Kind::Beep);
}

void ScriptedHost::ShowHelp(const QString& keyword) {
    Note(Kind::Help, {}, keyword);
}

void ScriptedHost::RunCalculator() {
    Note(Kind::Calculator);
}

QStringList ScriptedHost::Messages() const {
    QStringList out;
    for (const Shown& s : record_)
        if (s.kind == Kind::Message) out << s.text;
    return out;
}

const ScriptedHost::Shown* ScriptedHost::LastMessage() const {
    for (auto it = record_.rbegin(); it != record_.rend(); ++it)
        if (it->kind == Kind::Message) return &*it;
    return nullptr;
}

int ScriptedHost::Beeps() const {
    return static_cast<int>(std::count_if(record_.begin(), record_.end(),
                                          [](const Shown& s) { return s.kind == Kind::Beep; }));
}

QStringList ScriptedHost::HelpKeywords() const {
    QStringList out;
    for (const Shown& s : record_)
        if (s.kind == Kind::Help) out << s.text;
    return out;
}

int ScriptedHost::CalculatorRuns() const {
    return static_cast<int>(std::count_if(
        record_.begin(), record_.end(), [](const Shown& s) { return s.kind == Kind::Calculator; }));
}

void ScriptedHost::VerifyAllUsed() {
    for (const Step& step : steps_) {
        QString what = step.text.isEmpty() ? step.name : step.text;
        fail_("Scripted " + Describe(step.kind) + " never shown" +
              (what.isEmpty() ? QString() : ": " + what));
    }
    steps_.clear();
}

// --- driving controls ------------------------------------------------------------------

QWidget& FindControl(QWidget& root, const QString& name) {
    if (root.objectName() == name) return root;
    if (auto* found = root.findChild<QWidget*>(name)) return *found;
    throw ScriptError(("no control named " + name + " in " + root.objectName()).toStdString());
}

namespace {

QWidget& EnabledControl(QWidget& root, const QString& name) {
    QWidget& control = FindControl(root, name);
    if (!control.isEnabled()) throw ScriptError(("control " + name + " is disabled").toStdString());
    return control;
}

void TypeInto(QLineEdit& edit, const QString& text) {
    edit.setFocus();
    edit.selectAll();
    if (text.isEmpty())
        edit.del();
    else
        edit.insert(text);
}

}  // namespace

void FillControl(QWidget& root, const QString& name, const QString& text) {
    QWidget& control = EnabledControl(root, name);
    std::function<void()> type;
    if (auto* masked = qobject_cast<MaskEdit*>(&control)) {
        type = [masked, &text] {
            masked->setFocus();
            masked->SetText(text);
        };
    } else if (auto* line = qobject_cast<QLineEdit*>(&control)) {
        type = [line, &text] { TypeInto(*line, text); };
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(&control)) {
        type = [memo, &text] {
            memo->setFocus();
            memo->selectAll();
            memo->insertPlainText(text);
        };
    } else if (auto* combo = qobject_cast<QComboBox*>(&control); combo && combo->isEditable()) {
        type = [combo, &text] { TypeInto(*combo->lineEdit(), text); };
    } else if (combo) {
        const int index = combo->findText(text);
        if (index < 0) throw ScriptError(("no item " + text + " in " + name).toStdString());
        type = [combo, index] { combo->setCurrentIndex(index); };
    } else if (auto* spin = qobject_cast<QSpinBox*>(&control)) {
        type = [spin, &text] { spin->setValue(text.toInt()); };
    } else {
        throw ScriptError(("control " + name + " cannot be filled").toStdString());
    }
    RunCommand(type);
}

void PressButton(QWidget& root, const QString& name) {
    auto* button = qobject_cast<QAbstractButton*>(&EnabledControl(root, name));
    if (!button) throw ScriptError(("control " + name + " is not a button").toStdString());
    RunCommand([button] { button->click(); });
}

void CheckButton(QWidget& root, const QString& name, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(&EnabledControl(root, name));
    if (!button || !button->isCheckable())
        throw ScriptError(("control " + name + " cannot be checked").toStdString());
    if (button->isChecked() != checked) RunCommand([button] { button->click(); });
}
