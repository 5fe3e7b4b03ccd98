// Times opening the main window on a workstation of 16 AutoCAD releases (each with its stand-in
// acad.exe and icon) and 500 connection definitions: from the window object's construction to
// the end of the opening sequence, with both lists filled and painted. In the same run, the
// floor: an empty dialog of the same template opened and painted the same way, plus the bare
// platform work of discovery and of the set's rebuild at these sizes (the registry opens,
// enumerations and reads, the acad.exe tests and icon extraction, the folder listing and the
// 33 private-profile reads of each definition), with no objects and no texts kept.

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "bench_definitions.h"
#include "bench_releases.h"
#include "bench_timing.h"

#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"
#include "support/workstation.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int definition_count = 500;
constexpr int rounds = 11;
constexpr int warm_up_rounds = 2;

// Shown and painted, children included, as the modal loop does before the user sees it.
void show_and_paint(HWND hwnd)
{
    ShowWindow(hwnd, SW_SHOW);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int item_count(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0));
}

}  // namespace

int main()
{
    test::registry_sandbox sandbox;
    test::scripted_seam seam;  // any box would be an error; none may block the run
    test::temp_folder root;
    const test::workstation station(root.path());
    station.add_settings_keys(L"5.2.1");
    std::vector<bench::release_keys> keys;
    for (const test::installed_release& setup : bench::table_releases(true))
        keys.push_back(bench::keys_of(setup, station.add_release(setup)));
    const bench::release_set releases = bench::index_releases(std::move(keys));
    const std::wstring factory = station.factory();
    bench::write_definitions(factory, definition_count);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    // The floor's calls run while the empty dialog is open, as the window's own do.
    std::unique_ptr<CConfigurePLAXORDlg> window;
    std::unique_ptr<ui::dialog> empty;
    int files = 0;
    const auto times = bench::time_rounds(
        warm_up_rounds, rounds, bench::order::as_listed,
        {{[&] {
              window.reset(new CConfigurePLAXORDlg);
              window->create_modeless(nullptr);
              show_and_paint(window->hwnd());
          },
          [&] {
              const bool complete = item_count(window->hwnd(), IDC_INSTALLED_LIST) == 16 &&
                                    item_count(window->hwnd(), IDC_INSTANCE_LIST) == definition_count &&
                                    !window->ended() && seam.boxes().empty();
              window.reset();
              return complete;
          }},
         {[&] {
             empty.reset(new ui::dialog(IDD_CONFIGUREPLAXOR_DIALOG));
             empty->create_modeless(nullptr);
             show_and_paint(empty->hwnd());
         }},
         {[&] { bench::discovery_platform_calls(releases); }},
         {[&] { files = bench::rebuild_profile_calls(factory); },
          [&] {
              empty.reset();
              return files == definition_count;
          }}});
    if (!times) {
        std::fprintf(stderr, "the main window did not open on the whole workstation\n");
        return 1;
    }

    const std::vector<double>& opening = (*times)[0];
    const std::vector<double>& empty_dialog = (*times)[1];
    const std::vector<double>& discovery = (*times)[2];
    const std::vector<double>& rebuild = (*times)[3];
    std::vector<double> floor;
    for (size_t round = 0; round < opening.size(); ++round)
        floor.push_back(empty_dialog[round] + discovery[round] + rebuild[round]);
    const double opening_ms = bench::median(opening);
    const double floor_ms = bench::median(floor);
    bench::print_milliseconds("main_window_open_16_releases_500_definitions", opening_ms, 1);
    bench::print_milliseconds("main_window_open_floor", floor_ms, 1);
    bench::print_ratio("main_window_open_ratio_to_floor", opening_ms / floor_ms);
    bench::print_milliseconds("main_window_open_floor_empty_dialog", bench::median(empty_dialog), 1);
    bench::print_milliseconds("main_window_open_floor_discovery_calls", bench::median(discovery), 1);
    bench::print_milliseconds("main_window_open_floor_rebuild_calls", bench::median(rebuild), 1);
    return 0;
}
