// Record text is one byte per character: conversions both ways and the refusal of
// characters that cannot be stored where they are typed.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/cp1252.h"
#include "platform/form.h"
#include "platform/mask_edit.h"
#include "platform/scripted_host_guard.h"
#include "platform/text_guard.h"

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString text = FromCp1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToCp1252(text), all);
    EXPECT_EQ(FirstUnencodable(text), -1);
}

TEST(Cp1252, TheHighRangeMapsToItsOwnCharacters) {
    EXPECT_EQ(FromCp1252("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(FromCp1252("\x92\x96\x9F"), QString::fromUtf8("’–Ÿ"));
    EXPECT_EQ(FromCp1252("Caf\xE9"), QString::fromUtf8("Café"));
    EXPECT_EQ(ToCp1252(QString::fromUtf8("€ 5 – “ok”")), "\x80 5 \x96 \x93ok\x94");
    EXPECT_EQ(Cp1252Byte(U'é'), 0xE9);
    EXPECT_EQ(Cp1252Byte(0x0080), -1);  // byte 0x80 is the euro sign, not U+0080
}

TEST(Cp1252, CharactersItCannotHoldAreFoundAndReplaced) {
    const QString text = QString::fromUtf8("Qty ✓ Ω 😀");
    EXPECT_EQ(FirstUnencodable(text), 4);
    EXPECT_EQ(CharacterAt(text, 4), QString::fromUtf8("✓"));
    EXPECT_EQ(CharacterAt(QString::fromUtf8("a😀"), 1), QString::fromUtf8("😀"));
    EXPECT_FALSE(IsCp1252(U'😀'));
    EXPECT_FALSE(IsCp1252(U'Ω'));
    EXPECT_EQ(ToCp1252(text), "Qty ? ? ?");
}

namespace {

class Entry : public Form {
public:
    Entry() {
        setObjectName("Entry");
        auto* layout = new QVBoxLayout(this);
        Name = new QLineEdit(this);
        Name->setObjectName("Name");
        Notes = new QPlainTextEdit(this);
        Notes->setObjectName("Notes");
        Code = new MaskEdit("cccc;1;_", this);
        Code->setObjectName("Code");
        for (QWidget* w : {static_cast<QWidget*>(Name), static_cast<QWidget*>(Notes),
                           static_cast<QWidget*>(Code)})
            layout->addWidget(w);
    }
    QLineEdit* Name;
    QPlainTextEdit* Notes;
    MaskEdit* Code;
};

}  // namespace

TEST(TextGuard, TypedCharactersThatCannotBeStoredAreRefusedWithAMessage) {
    ScriptedHostGuard host;
    Entry entry;
    GuardTextControls(&entry);
    const QString refused = RefusedCharacterMessage(QString::fromUtf8("✓"));
    host->Answer(MsgResult::Ok, refused)
        .Answer(MsgResult::Ok, refused)
        .Answer(MsgResult::Ok, refused);

    FillControl(entry, "Name", QString::fromUtf8("Ann ✓ Lee"));
    EXPECT_EQ(entry.Name->text(), "Ann  Lee");

    FillControl(entry, "Notes", QString::fromUtf8("line one\nline ✓ two"));
    EXPECT_EQ(entry.Notes->toPlainText(), "line one\nline  two");

    FillControl(entry, "Code", QString::fromUtf8("A✓B"));
    entry.Code->setCursorPosition(1);
    entry.Code->insert(QString::fromUtf8("✓"));
    EXPECT_EQ(entry.Code->Text(), "AB  ");
    EXPECT_EQ(host->Beeps(), 3);

    // Windows-1252 text goes in untouched.
    FillControl(entry, "Name", QString::fromUtf8("Café – €5"));
    EXPECT_EQ(entry.Name->text(), QString::fromUtf8("Café – €5"));
}

TEST(TextGuard, FormsGuardTheirControlsWhenShown) {
    ScriptedHostGuard host;
    Entry entry;
    host->OnModal("Entry", [](Form& f) {
        FillControl(f, "Name", QString::fromUtf8("x😀y"));
        f.SetModalResult(Modal::Ok);
    });
    host->Answer(MsgResult::Ok, RefusedCharacterMessage(QString::fromUtf8("😀")));
    EXPECT_EQ(entry.ShowModal(), Modal::Ok);
    EXPECT_EQ(entry.Name->text(), "xy");
}
