#pragma once
// Flags of windows that arrive later, kept here so that the main window can read and clear
// them now. They are plain process-wide variables: the print queue sets LabelQueueChanged,
// the Invoice Manager reads InvoiceFilterOnShow.

struct WindowFlags {
    // The print queue holds labels not printed or saved to a file; the main window asks
    // before exit while it is set.
    bool LabelQueueChanged = false;
    // The Invoice Manager opens filtered on one customer (a start from the command line).
    bool InvoiceFilterOnShow = false;
};

inline WindowFlags SharedFlags;
