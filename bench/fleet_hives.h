#pragma once
// The workstation of the fleet benchmark, which both fleet_bench.exe (building it) and its floor
// bare_fleet.exe (working on it) know: 20 users who are not logged on, each with a profile list
// entry under a SID of a made-up domain, a profile folder and a hive file holding four AutoCAD
// releases that the built-in tables connect. Nothing of ours is included, so that the floor
// links nothing of ours.

namespace fleet {

constexpr int user_count = 20;
constexpr int first_rid = 5001;
constexpr wchar_t sid_prefix[] = L"S-1-5-21-1580304361-2944197282-3853100516-";
constexpr wchar_t profile_list[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr wchar_t client_folder[] = L"C:\\Program Files\\VORN\\PLAXOR";

struct release {
    const wchar_t* release;
    const wchar_t* product_key;
    const wchar_t* product_name;
    const wchar_t* suffix;  // the release folder below the client folder
};

constexpr release releases[] = {
    {L"R22.0", L"ACAD-1001:409", L"AutoCAD 2018", L"\\A2018"},
    {L"R23.0", L"ACAD-2001:409", L"AutoCAD 2019", L"\\A2019"},
    {L"R23.1", L"ACAD-3001:409", L"AutoCAD 2020", L"\\A2020"},
    {L"R24.1", L"ACAD-5101:409", L"AutoCAD 2022", L"\\A2022"},
};

constexpr wchar_t profile[] = L"<<Unnamed Profile>>";

}  // namespace fleet
