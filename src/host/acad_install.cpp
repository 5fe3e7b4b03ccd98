#include "host/acad_install.h"

namespace host {

const product_name_row product_name_table[16] = {
    {18.0, L"AutoCAD 2010"}, {18.1, L"AutoCAD 2011"}, {18.2, L"AutoCAD 2012"}, {19.0, L"AutoCAD 2013"},
    {19.1, L"AutoCAD 2014"}, {20.0, L"AutoCAD 2015"}, {20.1, L"AutoCAD 2016"}, {21.0, L"AutoCAD 2017"},
    {22.0, L"AutoCAD 2018"}, {23.0, L"AutoCAD 2019"}, {23.1, L"AutoCAD 2020"}, {24.0, L"AutoCAD 2021"},
    {24.1, L"AutoCAD 2022"}, {24.2, L"AutoCAD 2023"}, {24.3, L"AutoCAD 2024"}, {25.0, L"AutoCAD 2025"},
};

const wchar_t* product_name_for(double release_number)
{
    for (const product_name_row& row : product_name_table)
        if (row.release_number == release_number)
            return row.product_name;
    return nullptr;
}

}  // namespace host
