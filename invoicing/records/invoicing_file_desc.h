#pragma once
// The part of a file description that ties an invoicing file to its handle, record buffer
// and lock flag in Invoicing() (reached on each call, so a test's fresh state is used).

#include <cstdint>
#include <string>

#include "invoicing/invoicing_state.h"
#include "shell/file_layer.h"

template <class Rec>
DataFileDesc InvoicingFileDesc(std::string letters, FileSetHandle InvoicingState::*file,
                               Rec InvoicingState::*buf, uint8_t InvoicingState::*lockFlag) {
    return UnitFileDesc<&Invoicing>(std::move(letters), file, buf, lockFlag);
}
