#pragma once
// What the Purchase Order Manager needs of the order file for its list: binding its browse
// control to the file, and the find command that positions that list on the order chosen.

class TFvcBrowser;

// Binds the browse control to POFile (open) on key 1, with POBuf's length as the owner's
// record buffer, on its first row. `sharedMode` receives the engine's shared-mode flag. False,
// the control left without a model, when the file cannot be browsed.
bool SetupPOBrowser(TFvcBrowser& browser, bool& sharedMode);

// The "PO" rows of the find dialog: date, number, vendor, key code, total, short name and
// notes of every order of POFile.
void RegisterPOFindSource();

// Shows the find dialog as "Find PO" over POFile and, when a row was chosen, positions the
// browse control on that order in the key order it runs on. An order no longer on file
// leaves the list where it was.
void FindPO(TFvcBrowser& browser);
