// GLUI_Master and the GLUT side of the layer: creating, placing, showing and
// destroying strip windows, the drop-down window, and the GLUT callbacks that route
// events to the strips or on to the program. Owns every strip and the per-window
// record of the program's handlers and the window size.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "glui/glui_core.h"

GLUI_Master_Object GLUI_Master;

namespace {

// A window the strips dock in, with the program handlers given for it.
struct HostWindow {
    int window = 0;
    int w = 0, h = 0;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    bool arrange_pending = false;
    int reported_total = -1; // strips' total height when the program's reshape last ran
};

std::vector<std::unique_ptr<HostWindow>> Hosts; // stable addresses: handlers may add records
std::vector<int> DeadWindows;                   // freeglut never reuses window ids
bool WorkPending = false;
bool ShuttingDown = false; // static destruction: GLUT may be gone

bool GlutReady() { return !ShuttingDown && glutGet(GLUT_INIT_STATE) != 0; }

bool IsDead(int window) {
    return std::find(DeadWindows.begin(), DeadWindows.end(), window) != DeadWindows.end();
}

int CurrentWindow() { return GlutReady() ? glutGetWindow() : 0; }

HostWindow* FindHost(int window) {
    for (auto& host : Hosts) {
        if (host->window == window) return host.get();
    }
    return nullptr;
}

HostWindow& HostRecord(int window) {
    if (HostWindow* host = FindHost(window)) return *host;
    Hosts.push_back(std::make_unique<HostWindow>());
    HostWindow& host = *Hosts.back();
    host.window = window;
    if (window > 0 && GlutReady()) {
        int old = glutGetWindow();
        glutSetWindow(window);
        host.w = glutGet(GLUT_WINDOW_WIDTH);
        host.h = glutGet(GLUT_WINDOW_HEIGHT);
        if (old > 0 && !IsDead(old)) glutSetWindow(old);
    }
    return host;
}

GLUI* StripOfWindow(int window) {
    if (window <= 0) return nullptr;
    for (GLUI* g : GLUI_Master.guis) {
        if (g->window_id == window) return g;
    }
    return nullptr;
}

// The window handlers given now are meant for: the current one, or the window a
// strip (or the drop-down) docks in when one of those happens to be current.
int TargetWindow() {
    int window = CurrentWindow();
    if (GLUI* g = StripOfWindow(window)) return g->parent_window;
    if (window > 0 && window == GluiOpenDropdown.window && GluiOpenDropdown.listbox) {
        return GluiOpenDropdown.listbox->glui->parent_window;
    }
    return window;
}

// Restores the current GLUT window when it goes out of scope.
struct KeepWindow {
    int old;
    KeepWindow() : old(CurrentWindow()) {}
    ~KeepWindow() {
        if (old > 0 && !IsDead(old) && glutGetWindow() != old) glutSetWindow(old);
    }
    KeepWindow(const KeepWindow&) = delete;
    KeepWindow& operator=(const KeepWindow&) = delete;
};

int StripsTotal(int window) {
    int total = 0;
    for (GLUI* g : GLUI_Master.guis) {
        if (g->parent_window == window) total += GluiStripHeight(g);
    }
    return total;
}

// Stacks the host's strips along its bottom edge; true when their total height is not
// the one the program's reshape last saw.
bool Arrange(HostWindow& host) {
    host.arrange_pending = false;
    std::vector<GLUI*> strips;
    std::vector<int> heights;
    for (GLUI* g : GLUI_Master.guis) {
        if (g->parent_window != host.window) continue;
        strips.push_back(g);
        heights.push_back(GluiStripHeight(g));
    }
    std::vector<GluiRect> places(strips.size());
    GluiStackStrips(host.w, host.h, heights.data(), (int)strips.size(), places.data());
    int total = 0;
    KeepWindow keep;
    for (size_t i = 0; i < strips.size(); i++) {
        GLUI* g = strips[i];
        const GluiRect& r = places[i];
        total += r.h;
        if (g->strip_y == r.y && g->strip_w == r.w && g->strip_h == r.h) continue;
        g->strip_y = r.y;
        g->strip_w = r.w;
        g->strip_h = r.h;
        if (g->window_id > 0 && GlutReady()) {
            glutSetWindow(g->window_id);
            glutPositionWindow(0, r.y);
            glutReshapeWindow(std::max(r.w, 1), std::max(r.h, 1));
            glutPostRedisplay();
        }
    }
    return total != host.reported_total;
}

void CallProgramReshape(HostWindow& host) {
    host.reported_total = StripsTotal(host.window);
    if (host.window <= 0 || !GlutReady() || IsDead(host.window)) return;
    KeepWindow keep;
    glutSetWindow(host.window);
    if (host.reshape) {
        host.reshape(host.w, host.h);
    } else {
        int x, y, w, h;
        GluiViewportArea(host.w, host.h, host.reported_total, &x, &y, &w, &h);
        glViewport(x, y, w, h);
    }
}

// Deletes closed strips and re-stacks what changed; the program's reshape runs when
// the free area changed. Bounded: a reshape that resizes controls settles in a pass.
void RunPendingWork() {
    if (GluiDispatchDepth > 0) return;
    WorkPending = false;
    GluiProcessCloses();
    for (int pass = 0; pass < 3; pass++) {
        bool again = false;
        for (size_t i = 0; i < Hosts.size(); i++) {
            HostWindow* host = Hosts[i].get();
            if (!host->arrange_pending) continue;
            if (Arrange(*host)) CallProgramReshape(*host);
            again = again || host->arrange_pending;
        }
        if (!again) break;
    }
    for (const auto& host : Hosts) WorkPending = WorkPending || host->arrange_pending;
}

// ---- GLUT callbacks of strip windows ----

void StripDisplay() {
    int window = glutGetWindow();
    GLUI* g = StripOfWindow(window);
    if (!g) return;
    if (g->closing || WorkPending) {
        RunPendingWork();
        g = StripOfWindow(window);
        if (!g) return; // it was closed: destroyed at this redisplay
        glutSetWindow(window);
    }
    if (g->layout_dirty) GluiLayout(g);
    GluiDrawStrip(g, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    glutSwapBuffers();
}

void StripReshape(int, int) { glutPostRedisplay(); }

void StripMouse(int button, int state, int x, int y) {
    GluiDispatchScope scope;
    GluiMouse(StripOfWindow(glutGetWindow()), button, state, x, y);
}

void StripMotion(int x, int y) {
    GluiDispatchScope scope;
    GluiMotion(StripOfWindow(glutGetWindow()), x, y);
}

void StripKeyboard(unsigned char key, int, int) {
    GluiDispatchScope scope;
    GluiKey(key);
}

void StripSpecial(int key, int, int) {
    GluiDispatchScope scope;
    GluiSpecial(key);
}

// ---- GLUT callbacks of host windows ----

void HostReshape(int w, int h) {
    HostWindow& host = HostRecord(glutGetWindow());
    host.w = w;
    host.h = h;
    GluiCloseDropdown(); // its place was worked out for the old size
    GluiProcessCloses();
    Arrange(host);
    CallProgramReshape(host);
    RunPendingWork();
}

void HostMouse(int button, int state, int x, int y) {
    int window = glutGetWindow();
    // A press that was the drop-down's keeps its release from the program as well.
    static int swallowedButton = -1;
    if (state == GLUT_DOWN && button <= GLUT_RIGHT_BUTTON) {
        GluiDispatchScope scope;
        if (GluiDropdownPress(window, button, x, y)) {
            swallowedButton = button;
            if (!IsDead(window) && glutGetWindow() != window) glutSetWindow(window);
            return;
        }
    }
    if (state == GLUT_UP && button == swallowedButton) {
        swallowedButton = -1;
        return;
    }
    if (state == GLUT_DOWN && button <= GLUT_RIGHT_BUTTON) {
        GluiOutsidePress();
        if (!IsDead(window) && glutGetWindow() != window) glutSetWindow(window);
    }
    HostWindow* host = FindHost(window);
    if (host && host->mouse) host->mouse(button, state, x, y);
}

void HostKeyboard(unsigned char key, int x, int y) {
    HostWindow* host = FindHost(glutGetWindow());
    if (host && host->keyboard) host->keyboard(key, x, y);
}

void HostSpecial(int key, int x, int y) {
    HostWindow* host = FindHost(glutGetWindow());
    if (host && host->special) host->special(key, x, y);
}

void Idle() {
    // The program's idle runs every few milliseconds: only flag tests unless work waits
    // or a test asked for the layout.
    if (WorkPending) RunPendingWork();
    GluiPublishLayout();
    if (GLUI_Master.idle_cb) GLUI_Master.idle_cb();
}

// ---- the drop-down window ----

void DropdownDisplay() {
    GluiDrawDropdown(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    glutSwapBuffers();
}

void DropdownMouse(int button, int state, int x, int y) {
    if (state != GLUT_DOWN) return;
    GluiDispatchScope scope;
    const GluiRect& r = GluiOpenDropdown.rect;
    int index = button == GLUT_LEFT_BUTTON ? GluiDropdownItemAt(x + r.x, y + r.y) : -1;
    if (index >= 0) {
        GluiChooseDropdownItem(index);
    } else {
        GluiCloseDropdown();
    }
}

void DropdownHover(int x, int y) {
    const GluiRect& r = GluiOpenDropdown.rect;
    int index = GluiDropdownItemAt(x + r.x, y + r.y);
    if (index >= 0 && index != GluiOpenDropdown.hover) {
        GluiOpenDropdown.hover = index;
        glutPostRedisplay();
    }
}

void DropdownKeyboard(unsigned char key, int, int) {
    if (key == 27) GluiCloseDropdown();
}

} // namespace

// ---- windowing hooks of the core ----

void GluiPostRedraw(GLUI* glui) {
    if (!glui || glui->window_id <= 0 || glui->closing || !GlutReady()) return;
    glutPostWindowRedisplay(glui->window_id);
}

void GluiAfterCallback(GLUI* glui) {
    if (!glui || !GlutReady()) return;
    int window = glui->main_gfx_window;
    if (window <= 0 || IsDead(window)) return;
    glutSetWindow(window);
    glutPostRedisplay();
}

void GluiRequestArrange(int parentWindow) {
    HostRecord(parentWindow).arrange_pending = true;
    WorkPending = true;
}

void GluiArrangeStrips(int window) { Arrange(HostRecord(window)); }

void GluiSetWindowSize(int window, int w, int h) {
    HostWindow& host = HostRecord(window);
    host.w = w;
    host.h = h;
}

void GluiGetWindowSize(int window, int* w, int* h) {
    HostWindow& host = HostRecord(window);
    *w = host.w;
    *h = host.h;
}

void GluiWindowRootPosition(int window, int* x, int* y) {
    *x = *y = 0;
    if (window <= 0 || IsDead(window) || !GlutReady()) return;
    KeepWindow keep;
    glutSetWindow(window);
    *x = glutGet(GLUT_WINDOW_X);
    *y = glutGet(GLUT_WINDOW_Y);
}

void GluiSyncDropdownWindow() {
    GluiDropdown& d = GluiOpenDropdown;
    if (!GlutReady()) return;
    if (!d.listbox) {
        if (d.window > 0) {
            DeadWindows.push_back(d.window);
            glutDestroyWindow(d.window);
            d.window = 0;
        }
        return;
    }
    if (d.window > 0) {
        glutPostWindowRedisplay(d.window);
        return;
    }
    int parent = d.listbox->glui->parent_window;
    if (parent <= 0 || IsDead(parent)) return;
    KeepWindow keep;
    d.window = glutCreateSubWindow(parent, d.rect.x, d.rect.y, std::max(d.rect.w, 1),
                                   std::max(d.rect.h, 1));
    if (d.window <= 0) {
        d.window = 0;
        return;
    }
    glutDisplayFunc(DropdownDisplay);
    glutMouseFunc(DropdownMouse);
    glutPassiveMotionFunc(DropdownHover);
    glutMotionFunc(DropdownHover);
    glutKeyboardFunc(DropdownKeyboard);
}

void GluiProcessCloses() {
    if (GluiDispatchDepth > 0) return;
    std::vector<GLUI*>& guis = GLUI_Master.guis;
    for (size_t i = 0; i < guis.size();) {
        GLUI* g = guis[i];
        if (!g->closing) {
            i++;
            continue;
        }
        GluiForgetStrip(g);
        if (g->window_id > 0 && GlutReady()) {
            bool wasCurrent = glutGetWindow() == g->window_id;
            DeadWindows.push_back(g->window_id);
            glutDestroyWindow(g->window_id);
            // Leave a live window current for whatever runs next in this callback.
            if (wasCurrent && g->parent_window > 0 && !IsDead(g->parent_window))
                glutSetWindow(g->parent_window);
        }
        guis.erase(guis.begin() + (long)i);
        GluiRequestArrange(g->parent_window);
        delete g;
    }
}

// ---- GLUI: window side ----

void GLUI::hide() {
    if (closing || hidden) return;
    hidden = true;
    if (GluiOpenDropdown.listbox && GluiOpenDropdown.listbox->glui == this) GluiCloseDropdown();
    if (window_id > 0 && GlutReady()) {
        KeepWindow keep;
        glutSetWindow(window_id);
        glutHideWindow();
    }
}

void GLUI::show() {
    if (closing || !hidden) return;
    hidden = false;
    if (window_id > 0 && GlutReady()) {
        KeepWindow keep;
        glutSetWindow(window_id);
        glutShowWindow();
        glutPostRedisplay();
    }
}

void GLUI::close() {
    if (closing) return;
    closing = true;
    GluiForgetStrip(this);
    WorkPending = true;
    // A visible strip goes at its next redisplay; a hidden one, which is never redrawn,
    // at the next idle call or reshape.
    if (window_id > 0 && GlutReady()) glutPostWindowRedisplay(window_id);
}

// ---- GLUI_Master_Object ----

GLUI_Master_Object::~GLUI_Master_Object() {
    ShuttingDown = true;
    for (GLUI* g : guis) delete g;
    guis.clear();
}

GLUI* GLUI_Master_Object::create_glui_subwindow(int parent_window, long flags) {
    if (flags != GLUI_SUBWINDOW_BOTTOM) {
        std::fprintf(
            stderr,
            "glui: only strips docked at the bottom are supported; flags %ld docks at the bottom\n",
            flags);
    }
    GLUI* g = new GLUI;
    g->parent_window = parent_window;
    g->main_gfx_window = parent_window;
    guis.push_back(g);
    HostWindow& host = HostRecord(parent_window);
    GluiRequestArrange(parent_window);
    if (parent_window <= 0 || !GlutReady()) return g; // a strip without a window, for tests

    KeepWindow keep;
    glutSetWindow(parent_window);
    // Strips follow their host's size; the other host handlers wait for set_glut*Func so
    // that handlers the program gave GLUT directly stay in place.
    glutReshapeFunc(HostReshape);
    // Start at the natural height above the strips already there; later additions are
    // placed by the next arrange.
    int h = GluiStripHeight(g);
    int y = host.h - StripsTotal(parent_window);
    g->window_id = glutCreateSubWindow(parent_window, 0, y, std::max(host.w, 1), std::max(h, 1));
    if (g->window_id <= 0) {
        std::fprintf(stderr, "glui: could not create a subwindow of window %d\n", parent_window);
        g->window_id = 0;
        return g;
    }
    g->strip_y = y;
    g->strip_w = host.w;
    g->strip_h = h;
    glutDisplayFunc(StripDisplay);
    glutReshapeFunc(StripReshape);
    glutMouseFunc(StripMouse);
    glutMotionFunc(StripMotion);
    glutKeyboardFunc(StripKeyboard);
    glutSpecialFunc(StripSpecial);
    return g;
}

void GLUI_Master_Object::set_glutIdleFunc(void (*f)(void)) {
    idle_cb = f;
    if (GlutReady()) glutIdleFunc(f ? Idle : nullptr);
}

void GLUI_Master_Object::set_glutReshapeFunc(void (*f)(int, int)) {
    int window = TargetWindow();
    HostRecord(window).reshape = f;
    if (window <= 0 || !GlutReady()) return;
    KeepWindow keep;
    glutSetWindow(window);
    glutReshapeFunc(HostReshape);
}

void GLUI_Master_Object::set_glutKeyboardFunc(void (*f)(unsigned char, int, int)) {
    int window = TargetWindow();
    HostRecord(window).keyboard = f;
    if (window <= 0 || !GlutReady()) return;
    KeepWindow keep;
    glutSetWindow(window);
    glutKeyboardFunc(f ? HostKeyboard : nullptr);
}

void GLUI_Master_Object::set_glutSpecialFunc(void (*f)(int, int, int)) {
    int window = TargetWindow();
    HostRecord(window).special = f;
    if (window <= 0 || !GlutReady()) return;
    KeepWindow keep;
    glutSetWindow(window);
    glutSpecialFunc(f ? HostSpecial : nullptr);
}

void GLUI_Master_Object::set_glutMouseFunc(void (*f)(int, int, int, int)) {
    int window = TargetWindow();
    HostRecord(window).mouse = f;
    if (window <= 0 || !GlutReady()) return;
    KeepWindow keep;
    glutSetWindow(window);
    // Installed even without a program handler: a press here still ends an edit.
    glutMouseFunc(HostMouse);
}

void GLUI_Master_Object::get_viewport_area(int* x, int* y, int* w, int* h) {
    int window = TargetWindow();
    int winW = 0, winH = 0;
    GluiGetWindowSize(window, &winW, &winH);
    int vx, vy, vw, vh;
    GluiViewportArea(winW, winH, StripsTotal(window), &vx, &vy, &vw, &vh);
    if (x) *x = vx;
    if (y) *y = vy;
    if (w) *w = vw;
    if (h) *h = vh;
}

void GLUI_Master_Object::sync_live_all() {
    for (GLUI* g : guis) GluiPostRedraw(g);
}

void GLUI_Master_Object::close_all() {
    for (GLUI* g : guis) g->close();
}
