#pragma once

#include "store/database.h"

#include <QString>

namespace fangji::platform {

// Makes sure the data folder and the database file exist, copying the template
// shipped with the program when the file is missing.
enum class DataFileStatus {
    Present,         // the file was there
    Copied,          // the template was copied into place
    TemplateMissing, // no file and no template to copy
    FolderError,     // the data folder could not be created
    CopyError,       // the copy failed (nothing half-written is left)
};

DataFileStatus ensureDataFolder();
DataFileStatus ensureDataFile();

// Opens the data folder's database file with the system's key.
store::Result<store::Database> openMainDatabase();

} // namespace fangji::platform
