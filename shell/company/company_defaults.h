#pragma once
// The settings a new company starts with, shared by the settings dialog and the sample
// company generator.

#include "shell/company/company_rec.h"

// A company record with every setting at its starting value; name and number blank.
CompanyRec NewCompanyRecord();
