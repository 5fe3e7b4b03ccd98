#pragma once
// The "Folders:" group: the Instance Factory and Cached-base folders in read-only boxes, and the
// window the folder commands work through.

#include "app/instances_panel.h"
#include "folders/working_folders.h"
#include "ui/controls.h"
#include "ui/dialog.h"

#include <string>

class multi_conn;

class folders_panel : public folders::folder_window {
public:
    // The window, the set and the instances panel outlive the panel.
    folders_panel(const ui::dialog& window, multi_conn& conns, instances_panel& instances)
        : m_window(window), m_conns(conns), m_instances(instances)
    {
    }

    void bind();
    void show(const std::wstring& ins_factory, const std::wstring& cached_base) const;

    HWND owner() const override { return m_window.hwnd(); }
    multi_conn& conns() override { return m_conns; }
    void empty_instance_list() override { m_instances.empty(); }
    void fill_instance_list() override { m_instances.fill(); }
    void show_ins_factory(const std::wstring& folder) override { show_in(m_ins_factory_edit, folder); }
    void show_cached_base(const std::wstring& folder) override { show_in(m_cached_base_edit, folder); }

private:
    // The box is scrolled to its end: the end of a long path is the part that tells.
    static void show_in(const ui::edit& box, const std::wstring& folder);

    const ui::dialog& m_window;
    multi_conn& m_conns;
    instances_panel& m_instances;
    ui::edit m_ins_factory_edit;
    ui::edit m_cached_base_edit;
};
