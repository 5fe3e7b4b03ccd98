#pragma once
// The "Folders:" group: the Instance Factory and Cached-base folders in read-only boxes.

#include "ui/controls.h"
#include "ui/dialog.h"

#include <string>

class folders_panel {
public:
    void bind(const ui::dialog& window);
    // Each box is scrolled to its end: the end of a long path is the part that tells.
    void show(const std::wstring& ins_factory, const std::wstring& cached_base) const;

private:
    ui::edit m_ins_factory_edit;
    ui::edit m_cached_base_edit;
};
