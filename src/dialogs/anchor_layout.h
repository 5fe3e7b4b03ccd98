#pragma once
// Keeps the controls of a resizable dialog in place relative to the dialog's edges, or to
// controls of earlier rows, when the dialog changes size: a table of rules is captured once
// after the controls exist, and the controls are arranged after every change of size. A
// control that would overlap an earlier one shrinks to nothing until there is room again.

#include <windows.h>

#include <vector>

enum anchor_mode { anchor_offset = 1, anchor_proportional = 2, anchor_keep_width = 3, anchor_keep_height = 4 };
enum anchor_edge {
    edge_left = 1,
    edge_top = 2,
    edge_right = 3,
    edge_bottom = 4,
    edge_horizontal_centre = 5,
    edge_vertical_centre = 6,
};

// The rule of one edge of one control; reference id 0 is the dialog's client area.
struct anchor_rule {
    int mode;
    int reference_id;
    int reference_edge;
};

// A control and the rules of its left, top, right and bottom edges.
struct anchor_row {
    int control_id;
    anchor_rule edges[4];
};

class anchor_layout {
public:
    // Takes the dialog's client rectangle and each row's control rectangle as they are now. The
    // rows must outlive the layout; a reference names an earlier row.
    void capture(HWND dialog, const anchor_row* rows, int count);
    // Moves and sizes every control for the dialog's present client rectangle.
    void arrange();
    void release();
    // The captured rectangles as they would have been at `to_dpi`, for a window that was at
    // `from_dpi`: the rules keep their proportions on a monitor of another DPI.
    void rescale(int from_dpi, int to_dpi);

    // The dialog's client rectangle for id 0, else the control's rectangle in client coordinates.
    void control_rect(int control_id, RECT& rect) const;
    // The new position of edge `edge` (1 to 4) of a control that had `initial` at capture.
    int edge_position(int edge, const RECT& initial, const anchor_rule& rule, const RECT& so_far) const;

private:
    struct captured {
        RECT initial;
        const anchor_row* row;
    };
    struct placed {
        int control_id;
        RECT rect;
        bool eligible;
        bool collapsed;
    };

    bool reference_rects(int reference_id, RECT& before, RECT& now) const;

    HWND m_dialog = nullptr;
    RECT m_client{};
    std::vector<captured> m_rows;
    std::vector<placed> m_results;
    int m_computed = 0;  // rows with a new rectangle in the running arrange
};

// The cURL console: the banner stretches in width, the text in both directions, Close and
// Config keep to the bottom left, Copy and Clear to the bottom right.
extern const anchor_row console_anchor_table[6];
