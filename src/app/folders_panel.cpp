#include "app/folders_panel.h"

#include "app/main_window_ids.h"

void folders_panel::bind()
{
    m_ins_factory_edit = ui::edit(m_window.item(IDC_INS_FACTORY_EDIT).hwnd());
    m_cached_base_edit = ui::edit(m_window.item(IDC_CACHED_BASE_EDIT).hwnd());
}

void folders_panel::show(const std::wstring& ins_factory, const std::wstring& cached_base) const
{
    show_in(m_cached_base_edit, cached_base);
    show_in(m_ins_factory_edit, ins_factory);
}

void folders_panel::show_in(const ui::edit& box, const std::wstring& folder)
{
    box.set_text(folder);
    box.select(65535, 65535);
    box.scroll_caret();
}
