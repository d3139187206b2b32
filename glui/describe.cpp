// What the strips look like to a test that drives a running program with synthetic
// input: every control's place, kind, id, state and value as tab-separated text, and
// the file the layer keeps it in when BONELOOM_GLUI_LAYOUT asks for one. Unless that
// variable is set nothing here runs in a program, and nothing is printed.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glui/glui_core.h"

namespace {

// How often idle looks for a change, at most.
constexpr std::chrono::milliseconds PUBLISH_PERIOD(25);

void Add(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Add(std::string* out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out->append(line, std::min((size_t)n, sizeof line - 1));
}

// Free text as one field: no separators or line breaks inside.
void AddField(std::string* out, const std::string& text) {
    out->push_back('\t');
    for (char c : text) out->push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

const char* KindName(GluiKind kind) {
    switch (kind) {
        case GLUI_KIND_PANEL:
            return "panel";
        case GLUI_KIND_COLUMN:
            return "column";
        case GLUI_KIND_BUTTON:
            return "button";
        case GLUI_KIND_CHECKBOX:
            return "checkbox";
        case GLUI_KIND_LISTBOX:
            return "listbox";
        case GLUI_KIND_SPINNER:
            return "spinner";
        case GLUI_KIND_EDITTEXT:
            return "edittext";
    }
    return "?";
}

std::string ValueOf(const GLUI_Control* c) {
    switch (c->kind) {
        case GLUI_KIND_CHECKBOX:
            return std::to_string(GluiCheckboxValue(static_cast<const GLUI_Checkbox*>(c)));
        case GLUI_KIND_LISTBOX: {
            auto* list = static_cast<const GLUI_Listbox*>(c);
            int shown = GluiListboxShownItem(list);
            return shown < 0 ? "" : list->items[(size_t)shown].text;
        }
        case GLUI_KIND_SPINNER:
            return GluiSpinnerText(static_cast<const GLUI_Spinner*>(c));
        case GLUI_KIND_EDITTEXT:
            return static_cast<const GLUI_EditText*>(c)->text;
        default:
            return "";
    }
}

struct Origin {
    int window, x, y; // the host window and its top-left corner on the screen
};

// One clickable part of a control; r is in strip pixels.
void AddPart(std::string* out, size_t strip, const char* part, const GLUI_Control* c, GluiRect r,
             const Origin& host) {
    int y = c->glui->strip_y + r.y;
    Add(out, "control\t%zu\t%s\t%s\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d", strip, part, KindName(c->kind),
        c->user_id, c->enabled ? 1 : 0, r.x, y, r.w, r.h, host.x + r.x, host.y + y);
    bool inPanel = c->parent && c->parent != c->glui->root;
    AddField(out, inPanel ? c->parent->name : "");
    AddField(out, c->name);
    AddField(out, ValueOf(c));
    out->push_back('\n');
}

void AddControls(std::string* out, size_t strip, GLUI* g, const Origin& host) {
    if (g->layout_dirty) GluiLayout(g);
    for (const auto& owned : g->controls) {
        const GLUI_Control* c = owned.get();
        if (c == g->root) continue;
        AddPart(out, strip, "all", c, {c->x, c->y, c->w, c->h}, host);
        if (c->kind == GLUI_KIND_EDITTEXT || c->kind == GLUI_KIND_LISTBOX)
            AddPart(out, strip, "box", c, GluiFieldRect(c), host);
        if (c->kind == GLUI_KIND_SPINNER) {
            auto* s = static_cast<const GLUI_Spinner*>(c);
            AddPart(out, strip, "box", c, GluiSpinnerTextRect(s), host);
            AddPart(out, strip, "arrows", c, GluiSpinnerArrowRect(s), host);
        }
    }
}

void AddDropdown(std::string* out, const std::vector<Origin>& hosts) {
    const GluiDropdown& d = GluiOpenDropdown;
    if (!d.listbox || d.listbox->glui->closing) return;
    Origin host = {0, 0, 0};
    for (const Origin& o : hosts) {
        if (o.window == d.listbox->glui->parent_window) host = o;
    }
    const GluiRect& r = d.rect;
    Add(out, "drop\t%d\t%d\t%d\t%d\t%d\t%d\t%zu\n", r.x, r.y, r.w, r.h, host.x + r.x, host.y + r.y,
        d.listbox->items.size());
    for (size_t i = 0; i < d.listbox->items.size(); i++) {
        int y = r.y + 1 + (int)i * GLUI_DROPDOWN_ITEM_H;
        Add(out, "item\t%zu\t%d\t%d\t%d\t%d\t%d\t%d", i, r.x, y, r.w, GLUI_DROPDOWN_ITEM_H,
            host.x + r.x, host.y + y);
        AddField(out, d.listbox->items[i].text);
        out->push_back('\n');
    }
}

// Replaces the file's contents; the last line, "end", tells a reader it is whole.
bool WriteWhole(const char* path, const std::string& text) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    errno = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += (size_t)n;
    }
    int error = done == text.size() ? 0 : errno ? errno : EIO;
    if (close(fd) != 0 && error == 0) error = errno;
    errno = error;
    return error == 0;
}

} // namespace

std::string GluiDescribeLayout() {
    std::vector<Origin> hosts;
    for (GLUI* g : GLUI_Master.guis) {
        bool known = false;
        for (const Origin& o : hosts) known = known || o.window == g->parent_window;
        if (known) continue;
        Origin o = {g->parent_window, 0, 0};
        GluiWindowRootPosition(o.window, &o.x, &o.y);
        hosts.push_back(o);
    }
    std::string out;
    for (const Origin& o : hosts) {
        int w = 0, h = 0;
        GluiGetWindowSize(o.window, &w, &h);
        Add(&out, "window\t%d\t%d\t%d\t%d\t%d\n", o.window, o.x, o.y, w, h);
    }
    for (size_t i = 0; i < GLUI_Master.guis.size(); i++) {
        GLUI* g = GLUI_Master.guis[i];
        const char* state = g->closing ? "closing" : g->hidden ? "hidden" : "shown";
        Add(&out, "strip\t%zu\t%d\t%d\t%d\t%d\t%s\n", i, g->parent_window, g->strip_y, g->strip_w,
            g->strip_h, state);
        if (g->closing) continue;
        for (const Origin& o : hosts) {
            if (o.window == g->parent_window) AddControls(&out, i, g, o);
        }
    }
    AddDropdown(&out, hosts);
    return out;
}

void GluiPublishLayout() {
    static const char* path = std::getenv("BONELOOM_GLUI_LAYOUT");
    if (!path || !*path) return;
    using Clock = std::chrono::steady_clock;
    static Clock::time_point lastLook;
    static std::string seen, written;
    static unsigned long generation = 0;
    static bool failed = false;
    Clock::time_point now = Clock::now();
    if (now - lastLook < PUBLISH_PERIOD) return;
    lastLook = now;
    // A change is written once it has been seen twice in a row: by then GLUT has moved
    // and mapped the windows it names, and the root position read on the way waited
    // for the X server to do so.
    std::string text = GluiDescribeLayout();
    bool settled = text == seen;
    seen = text;
    if (!settled || text == written) return;
    written = text;
    std::string whole = "layout\t" + std::to_string(++generation) + "\n" + text + "end\n";
    if (!WriteWhole(path, whole) && !failed) {
        failed = true;
        std::fprintf(stderr, "glui: cannot write the layout to %s: %s\n", path,
                     std::strerror(errno));
    }
}
