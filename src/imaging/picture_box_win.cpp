#include "imaging/picture_box_win.h"

#include <algorithm>
#include <new>

#include "base/handles_win.h"

namespace kino {
namespace {

constexpr wchar_t kPictureBoxClass[] = L"KinoreelPicture";

// The state behind one box. The persistent image always matches the client size (at least
// 1 x 1, so the box always has a DC to draw into).
class PictureBox final : public DrawingSurface {
public:
    explicit PictureBox(HWND window) : window_(window) {}
    ~PictureBox() override {
        // The bitmap can only be deleted once it is no longer selected.
        if (dc_ && original_) SelectObject(dc_.get(), original_);
    }
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    // Follows a new client size; what fits of the old image is kept, the rest is cleared.
    void Resize(int width, int height) {
        width = std::max(width, 1);
        height = std::max(height, 1);
        if (bitmap_ && width == width_ && height == height_) return;
        if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
        if (!dc_) return;

        // A bitmap in the display's own format: GDI+ copies opaque frames into it with a plain
        // blit (a 32-bit DIB section makes Wine's GDI+ blend every pixel in software instead).
        UniqueBitmap fresh;
        {
            WindowDc screen(nullptr);
            fresh.reset(CreateCompatibleBitmap(screen.get(), width, height));
        }
        if (!fresh) return;  // keep the old image rather than none

        UniqueMemoryDc scratch(CreateCompatibleDC(nullptr));
        if (scratch) {
            SelectObjectScope select(scratch.get(), fresh.get());
            const RECT all{0, 0, width, height};
            FillRect(scratch.get(), &all, GetSysColorBrush(COLOR_WINDOW));
            if (bitmap_) {
                BitBlt(scratch.get(), 0, 0, std::min(width, width_), std::min(height, height_), dc_.get(), 0, 0,
                       SRCCOPY);
            }
        }
        HGDIOBJ previous = SelectObject(dc_.get(), fresh.get());
        if (!original_) original_ = previous;
        bitmap_ = std::move(fresh);
        width_ = width;
        height_ = height;
    }

    void Clear() {
        if (!dc_) return;
        const RECT all{0, 0, width_, height_};
        FillRect(dc_.get(), &all, GetSysColorBrush(COLOR_WINDOW));
        // A cleared box that nothing draws on afterwards still looks cleared after the next paint.
        InvalidateRect(window_, nullptr, FALSE);
    }

    void Paint() {
        PAINTSTRUCT ps;
        HDC screen = BeginPaint(window_, &ps);
        if (screen && dc_) {
            const RECT& r = ps.rcPaint;
            BitBlt(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, dc_.get(), r.left, r.top, SRCCOPY);
        }
        EndPaint(window_, &ps);
    }

    bool GetHdc(std::intptr_t& hdc) override {
        hdc = reinterpret_cast<std::intptr_t>(dc_.get());
        return dc_.get() != nullptr;
    }
    // Copies the whole image to the screen at once; any pending paint is then already done.
    bool Refresh() override {
        if (dc_) {
            WindowDc screen(window_);
            if (screen.get()) BitBlt(screen.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
        }
        ValidateRect(window_, nullptr);
        return true;
    }

private:
    HWND window_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ original_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

PictureBox* BoxOf(HWND window) { return reinterpret_cast<PictureBox*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            auto* box = new (std::nothrow) PictureBox(window);
            if (!box) return FALSE;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
            break;
        }
        case WM_CREATE:
            if (PictureBox* box = BoxOf(window)) {
                RECT client;
                GetClientRect(window, &client);
                box->Resize(client.right, client.bottom);
            }
            return 0;
        case WM_SIZE:
            if (PictureBox* box = BoxOf(window)) box->Resize(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT:
            if (PictureBox* box = BoxOf(window)) {
                box->Paint();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            delete BoxOf(window);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

ATOM PictureBoxAtom() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PictureBoxProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kPictureBoxClass;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

PictureBox* PictureBoxOf(HWND window) {
    const ATOM atom = PictureBoxAtom();
    if (!window || !atom || static_cast<ATOM>(GetClassLongPtrW(window, GCW_ATOM)) != atom) return nullptr;
    return BoxOf(window);
}

}  // namespace

HWND CreatePictureBox(HWND parent, int id, int x, int y, int width, int height, DWORD style, DWORD exStyle) {
    if (!PictureBoxAtom()) return nullptr;
    // Refresh draws straight to the screen: keep it off any sibling that overlaps the box.
    return CreateWindowExW(exStyle, kPictureBoxClass, L"", style | WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height,
                           parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

DrawingSurface* PictureBoxSurface(HWND box) { return PictureBoxOf(box); }

void ClearPictureBox(HWND box) {
    if (PictureBox* state = PictureBoxOf(box)) state->Clear();
}

}  // namespace kino
