#include "purchasing/po_output_mark.h"

#include "purchasing/po_files.h"
#include "shell/text.h"

bool MarkPOOutput(std::string_view number, const std::optional<std::string>& emailedDate) {
    using namespace PurchaseOrder;
    PORec probe;
    if (!probe.set(PONumber, TrimBlanks(number))) return true;
    bool allWritten = true;
    const bool allRead =
        WalkKeyRecords<PORec>(POData(), PONumberKey, BuildPOKey(probe, PONumberKey),
                              KeyText(number, 0), [&](int32_t ref, const PORec& rec) {
                                  if (rec.get(POStatus) != StatusOpen) return true;
                                  PORec marked = rec;
                                  marked.set(POPrinted, "Y");
                                  if (emailedDate && TrimBlanks(rec.get(POEmailedDate)).size() <= 5)
                                      marked.set(POEmailedDate, *emailedDate);
                                  // Only the marks change, so the keys stay as they are.
                                  if (marked != rec && !PutPOData(ref, marked)) allWritten = false;
                                  return true;
                              });
    return allRead && allWritten;
}
