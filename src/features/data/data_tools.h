// The engineering face's data tools, built together: the fill buttons, the
// settings backup and the raw byte view.
#pragma once

#include "features/data/fill_data_sets.h"
#include "features/data/raw_byte_view.h"
#include "features/data/settings_backup.h"
#include "features/data/settings_restore.h"

namespace cobalin {

struct DataTools {
    DataTools(ui::FormMain& form, AppState& state, ui::Dialogs& dialogs, ParameterEditor& editor)
        : fill(form, state, dialogs, editor),
          backup(form, state, dialogs),
          restore(form, state, dialogs, editor),
          raw(form, state, editor) {}
    FillDataSets fill;
    SettingsBackup backup;
    SettingsRestore restore;
    RawByteView raw;
};

}  // namespace cobalin
