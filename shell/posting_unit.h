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
// what the operating system said, when it said something, and that nothing was saved; or,
// when the disk kept the unit in the journal though it failed (LastUnitUndecided), that it
// may be on file at the next start.
void PostAsOneUnit(const std::function<void()>& steps);

// For a step that tells its failure and lets the posting go on: when the failure came from
// the operating system (a full disk, an I/O error) going on cannot give a whole posting, so
// this raises `text` instead and the unit is rolled back.
void StopOnSystemFailure(const QString& text);

// What the operating system's error number means for the user's files, as one sentence:
// "The disk is full.", "The data folder is read-only.", ... Empty for 0.
QString SystemErrorText(int error);

// The sentence for the engine's last failure when it came from the operating system, else
// empty.
QString EngineSystemFailureText();
