#pragma once
// Runs the steps of one posting (an invoice, a payment, a purchase order, a receipt ...) as
// one unit of work of the engine: every record and key they write in every file is durable
// together, or, when a step fails or raises, none of it is. The steps and their order are
// the posting's own; this only brackets them.

#include <QString>
#include <functional>

// Runs `steps` in one unit of work and commits it. When a step raises, or the unit cannot
// be committed, everything is rolled back, the current company's copy is put back as it was,
// and one error is raised: the step's own text (or "The posting could not be saved.") with
// why, when the engine said why ("The posting could not be saved: the disk is full."), and
// that nothing was saved; or, when the disk kept the unit in the journal though it failed
// (LastUnitUndecided), that it may be on file at the next start. `rolledBack` runs once the
// unit is rolled back, before the error is raised: a window that showed the posting's records
// on the way shows what is on file again.
void PostAsOneUnit(const std::function<void()>& steps,
                   const std::function<void()>& rolledBack = {});

// For a step whose failure is told and lets the posting go on: only a refusal that changed
// nothing (a duplicate key, a record already gone) may go on, and then this returns for the
// step to tell it. Any other failure (the operating system's, a defective index ...) would
// leave the books disagreeing with the documents: this raises `text` and the unit is rolled
// back.
void StopUnlessRefused(const QString& text);

// Where a file lies that the system would not write: among the data folder's own files, or
// where the user chose to save it.
enum class FileWhere { DataFolder, Chosen };

// What the operating system's error number means for the user's files, as one sentence:
// "The disk is full.", "The data folder is read-only.", ... Empty for 0.
QString SystemErrorText(int error, FileWhere where = FileWhere::DataFolder);

// `text`, and after it what the operating system said of the write that just failed (errno,
// as ReplaceFile leaves it): what a message about a small file that could not be written tells.
QString WithWriteReason(const QString& text, FileWhere where = FileWhere::DataFolder);

// `text`, and after it the sentence of the engine's last failure when it came from the
// operating system: what a message about a file that could not be opened or written tells.
QString WithSystemReason(const QString& text);
