#pragma once
// Company 7 in a fresh data folder (see CompanyEnv) with fresh invoicing state, and helpers
// to look at what the invoice file sets hold.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "invoicing/invoice_files.h"
#include "invoicing/invoicing_state.h"
#include "tests/masters/company_env.h"

using Entries = std::vector<std::pair<std::string, int32_t>>;

class InvoicingEnv : public CompanyEnv {
protected:
    ~InvoicingEnv() override { CloseInvoiceDatabases(); }

    InvoicingState& State() { return invoicing.state(); }

    // The (key, Ref) entries of index keyNr, in index order.
    static Entries Index(FileSetHandle handle, int keyNr) {
        Entries entries;
        ClearKeyPosition(handle, keyNr);
        for (;;) {
            int32_t ref = 0;
            std::string key;
            NextKey(handle, keyNr, ref, key);
            if (!EngineOK) break;
            entries.emplace_back(std::move(key), ref);
        }
        return entries;
    }

    // Puts the record into the unit's buffer and adds it with the unit's add routine.
    template <class Rec>
    static int32_t AddThrough(Rec& buffer, bool (*add)(int32_t&), const Rec& record) {
        buffer = record;
        int32_t ref = 0;
        EXPECT_TRUE(add(ref)) << EngineErrorCode;
        return ref;
    }
    template <class Rec>
    static Rec StoredIn(FileSetHandle file, int32_t ref) {
        Rec r;
        ReadRecord(file, ref, r.bytes());
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        return r;
    }

    // The engine's name of company 7's file set with the letters.
    std::string SetName(const char* letters) const {
        return (dir.path() / ("7" + std::string(letters))).string();
    }

    InvoicingStateScope invoicing;
};
