#pragma once
// Application: the program's one object that lives for the whole run. It owns the modal stack
// of forms and everything that draws it: the frozen screen image under an overlay, the running
// screen transition and the dim level of that image.

#include <memory>
#include <vector>

#include "app/application_listener.h"
#include "core/singleton.h"
#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/form.h"
#include "skin/font.h"
#include "skin/form_host.h"
#include "skin/geometry.h"
#include "skin/node.h"
#include "skin/render_surface.h"
#include "skin/screen_metrics.h"
#include "skin/visibility_animation.h"

namespace velvane::display {
class Backend;
}

namespace zentra {
class EditNode;
}

namespace velvane {

class GameBase;

class Application : public Singleton<Application>, public zentra::FormHost {
public:
    // No dimming; an overlay's background moves from here to kDimOverlay.
    static constexpr int kDimNone = 256;
    static constexpr int kDimOverlay = 128;
    static constexpr int kDimStep = 16;

    // Where the emergency numbers are kept: a string of numbers separated by commas.
    static constexpr platform::WStringView kEmergencyKey = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";
    static constexpr platform::WStringView kEmergencyValue = u"EmergencyNumbers";
    static constexpr platform::WStringView kDefaultEmergencyNumbers = u"112,911";

    // Registers the node types and, given a display back end, builds GameBase with its main
    // window. Without one (tests of the stack) there is no window and no loop.
    explicit Application(platform::WStringView name, display::Backend* backend = nullptr);
    ~Application();

    GameBase* platform() const { return m_platform.get(); }
    const std::shared_ptr<zentra::FontRep>& font() const { return m_font; }
    const std::vector<platform::WString>& emergency_numbers() const { return m_emergency_numbers; }
    const platform::WString& typed_digits() const { return m_typed_digits; }

    // The last stop of a key no screen wanted: typed digits and emergency calls, then the top
    // form. True when consumed.
    bool on_key(const zentra::KeyEvent& event);
    // Re-reads the screen metrics; tells the listener when they changed.
    void resolution_changed();

    // Splits the platform's emergency-number list: numbers end at a NUL, a second NUL right
    // after one ends the list; at most 2047 characters are looked at.
    static std::vector<platform::WString> split_emergency_list(platform::WStringView buffer);

    const platform::WString& name() const { return m_name; }

    // The modal stack (FormHost).
    void add_modal_form(zentra::Form& form, bool overlay, bool animate) override;
    bool remove_modal_form(zentra::Form& form, bool animate) override;
    zentra::Form* top_form() const override;
    void request_redraw() override { m_redraw = true; }
    const zentra::ScreenMetrics& screen_metrics() const override { return m_metrics; }

    void set_screen_metrics(const zentra::ScreenMetrics& metrics);
    int form_count() const { return static_cast<int>(m_forms.size()); }
    zentra::Form* form_at(int index) const { return m_forms[index].form; }
    bool is_overlay(int index) const { return m_forms[index].overlay; }

    // One frame step: the running transition, or else the top form.
    void advance(double seconds);
    // Paints the stack into target (the screen-sized back buffer). Clears the redraw flag
    // first, so whatever asks for another frame while painting gets it.
    void render_frame(zentra::RenderSurface& target);
    bool redraw_needed() const { return m_redraw; }

    // Input goes to the top form only; with no form it is consumed.
    bool on_pointer(const zentra::PointerEvent& event);
    void on_pointer_move(zentra::Point point);
    bool on_text(platform::WStringView text);

    // Applies the skin just loaded into properties to every open screen: a transient form
    // pushed here tells the reload listeners on its first step and then takes itself off.
    void reload_skin(zentra::Properties& properties);

    ApplicationListener* listener() const { return m_listener; }
    void set_listener(ApplicationListener* listener) { m_listener = listener; }
    zentra::Color background_color() const { return m_background_color; }
    void set_background_color(zentra::Color color) { m_background_color = color; }
    int dim_level() const { return m_dim_level; }
    // The frozen image under an overlay (empty otherwise), for tests and the recorder.
    const zentra::RenderSurface& screen_surface() const { return m_surface; }
    const zentra::VisibilityAnimation* transition() const { return m_transition.get(); }

private:
    struct StackEntry {
        zentra::Form* form = nullptr;
        bool overlay = false;
        // The edit of this form that had the input focus when a form covered it; only
        // compared until it is found in the form again.
        zentra::EditNode* focused_edit = nullptr;
    };

    zentra::Size screen_size() const { return {m_metrics.width, m_metrics.height}; }
    void place(zentra::Form& form) const;
    int find(const zentra::Form& form) const;
    // The form's image at the screen size in the screen surface, over the background colour.
    void render_into_screen_surface(zentra::Form& form);
    void destroy_transition();
    void fill_background(zentra::RenderSurface& target) const;
    // Starts a transition that plays form's visibility animation, when animate asks for one
    // and the form has one.
    void create_transition(zentra::Form& form, bool animate);
    // The top entry keeps the edit of its form that has the input focus (none when none has).
    void remember_focus();
    // The top form's remembered edit, when it is still in that form and on screen, takes the
    // input focus back.
    void restore_focus();

    // The fields keep the order the application object has always had.
    zentra::Color m_background_color{0, 0, 0, 255};
    bool m_redraw = true;
    ApplicationListener* m_listener = nullptr;
    platform::WString m_name;
    std::vector<StackEntry> m_forms;
    zentra::RenderSurface m_surface;
    int m_dim_level = kDimNone;
    std::unique_ptr<zentra::VisibilityAnimation> m_transition;
    std::unique_ptr<GameBase> m_platform;
    std::shared_ptr<zentra::FontRep> m_font;
    std::vector<platform::WString> m_emergency_numbers;
    platform::WString m_typed_digits;
    // The form the transition shows (+1) or hides (-1); only compared, never followed.
    zentra::Form* m_transition_form = nullptr;
    zentra::ScreenMetrics m_metrics;
    // The transient skin-reload form, destroyed once it has taken itself off the stack.
    std::unique_ptr<zentra::Form> m_reload_form;
};

}  // namespace velvane
