#pragma once
// TLetterWiz, "Form Letter Wizard": a small rich-text editor for form letters with merge
// keywords, and the merge print that prints the letter once for every customer of the print
// queue. Created once at start-up and shown maximised over the whole work area; the letter and
// its name stay for the life of the program.

#include <QFrame>
#include <QSpinBox>
#include <QString>

#include "platform/form.h"
#include "shell/commands.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QTextCharFormat;
class QTextDocument;
class QTextEdit;
class QToolButton;
struct ParagraphIndents;

// The size box: a blank size becomes 10 when editing ends.
class FontSizeBox : public QSpinBox {
    Q_OBJECT

public:
    explicit FontSizeBox(QWidget* parent = nullptr);
    void fixup(QString& input) const override;
};

// The ruler over the editor: a mark at every tab stop of its text, and the indent markers.
class RulerBar : public QFrame {
    Q_OBJECT

public:
    explicit RulerBar(QWidget* parent = nullptr);
    // 100 marks, each a tab and a bar.
    QString Text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

class TLetterWiz : public Form {
    Q_OBJECT

public:
    explicit TLetterWiz(QWidget* parent = nullptr);
    ~TLetterWiz() override;

    // --- the letter ---
    QTextEdit* RichEdit1;
    RulerBar* Ruler;
    QLabel* FirstInd;  // the markers: first-line, left and right indent
    QLabel* LeftInd;
    QLabel* RightInd;
    QLabel* ProcessingPanel;  // shown instead of the editor while letters print

    // --- the tool bar ---
    QToolButton* OpenButton;
    QToolButton* SaveButton;
    QToolButton* PrintButton;
    QToolButton* FontButton;
    QToolButton* BoldButton;
    QToolButton* ItalicButton;
    QToolButton* UnderlineButton;
    QToolButton* BulletsButton;
    QToolButton* LeftAlign;
    QToolButton* CenterAlign;
    QToolButton* RightAlign;
    QComboBox* FontName;
    FontSizeBox* FontSize;
    QComboBox* ComboBox1;       // the keywords, for reference
    QToolButton* BitBtn3;       // the print queue
    QToolButton* SpeedButton3;  // close
    QToolButton* HelpButton;

    // --- menus ---
    QMenuBar* MainMenu;
    QAction* FileNewItem;
    QAction* FileOpenItem;
    QAction* FileSaveItem;
    QAction* FileSaveAsItem;
    QAction* PrintQueue1;
    QAction* FilePrintItem;
    QAction* PrinterSetup1;
    QAction* FileExitItem;
    QAction* EditUndoItem;
    QAction* EditCutItem;
    QAction* EditCopyItem;
    QAction* EditPasteItem;
    QAction* EditFontItem;
    QAction* HelpOverviewItem;

    // The letter's file name, or "Untitled".
    QString FileName() const { return fileName_; }

    // --- handlers ---
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void PrintQueue1Click();
    void FilePrint();
    void PrinterSetup1Click();
    void FileExit();
    void SelectFont();
    void BulletsButtonClick();
    void AlignButtonClick(Qt::Alignment alignment);
    void FontNameChange();
    void FontSizeChange();
    void HelpOverview();
    void SelectionChange();
    // Asks whether to save a changed letter: true to go on (saved, or not wanted), false when
    // the command that asked is to stop.
    bool AskSaveChanges();

    void done(int result) override;

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectCommands();
    void FormCreate();
    void SetFileName(const QString& name);
    // Puts the document in the editor, which owns it from then on.
    void ShowLetter(QTextDocument* document);
    // Writes the letter to the file; false (told) when it could not be written.
    bool WriteLetter(const QString& path);
    // "&Save" and "Save &As...": true when the letter was written.
    bool Save();
    bool SaveAs();
    void ApplyCharFormat(const QTextCharFormat& format);
    void SetParagraphIndents(const ParagraphIndents& indents);
    void PlaceMarkers();
    void DropMarker(QLabel* marker);

    QString fileName_;
    // Set while the tool bar shows the text's attributes: its handlers then do nothing.
    bool updating_ = false;
    // The ruler marker being dragged, where it was taken, and whether it moved.
    bool dragging_ = false;
    int dragOffset_ = 0;
    bool dragMoved_ = false;
    // The close question was answered by the command that closes.
    bool closeAsked_ = false;
    QButtonGroup* alignGroup_ = nullptr;
    // The main window's "&Form Letters..." and its tool-bar button show this window.
    CommandRegistration formLetters_;
};

// The one window, created at start-up with the reports unit's windows; nullptr before.
extern TLetterWiz* LetterWiz;
