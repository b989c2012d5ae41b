// What the search knew of each listed file: its identity, and whether its target was
// checked. Kept beside the list, each entry pointing at its record through its item data,
// so that records survive entries being removed above them.
#pragma once
#include <windows.h>

#include "results/listed_file.h"


// Every record goes, with the list's entries.
void forgetListedFiles();

// Entry `index`, just added to the list, gets a record; false when there is no memory for it.
bool keepListedFile(LRESULT index, const ListedFile& file);

// The record of entry i; null for an entry that has none.
const ListedFile* listedFileOf(unsigned i);
