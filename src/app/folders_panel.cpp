#include "app/folders_panel.h"

#include "app/main_window_ids.h"

void folders_panel::bind(const ui::dialog& window)
{
    m_ins_factory_edit = ui::edit(window.item(IDC_INS_FACTORY_EDIT).hwnd());
    m_cached_base_edit = ui::edit(window.item(IDC_CACHED_BASE_EDIT).hwnd());
}

void folders_panel::show(const std::wstring& ins_factory, const std::wstring& cached_base) const
{
    m_cached_base_edit.set_text(cached_base);
    m_ins_factory_edit.set_text(ins_factory);
    for (const ui::edit& box : {m_cached_base_edit, m_ins_factory_edit}) {
        box.select(65535, 65535);
        box.scroll_caret();
    }
}
