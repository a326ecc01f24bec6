#include "app/application.h"

#include <algorithm>
#include <cassert>

#include "core/keys.h"
#include "core/log.h"
#include "core/registry.h"
#include "app/frame_overlay.h"
#include "app/game_base.h"
#include "platform/phone_call.h"
#include "skin/node_types.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/edit_node.h"
#include "skin/layout.h"

namespace velvane {

using zentra::Form;
using zentra::Point;
using zentra::RenderSurface;

namespace {

// Pushed to apply a new skin: on its first step it tells every reload listener and takes
// itself off again. Going through the stack means the reload happens between frames, never
// inside a screen's own input or draw code.
class SkinReloadForm : public Form {
public:
    SkinReloadForm(Application& application, zentra::Properties& properties)
        : m_application(application), m_properties(properties) {}

    void advance(double seconds) override {
        Form::advance(seconds);
        if (m_done) {
            return;
        }
        m_done = true;
        m_properties.send_reload_skin();
        m_application.remove_modal_form(*this, true);
    }

private:
    Application& m_application;
    zentra::Properties& m_properties;
    bool m_done = false;
};

// Whether node is root or lies under it; node is only compared, never followed.
bool holds(const zentra::Node& root, const zentra::Node* node) {
    if (&root == node) {
        return true;
    }
    for (int i = 0; i < root.child_count(); ++i) {
        if (holds(*root.child(i), node)) {
            return true;
        }
    }
    return false;
}

int move_toward(int value, int target, int step) {
    return value < target ? std::min(value + step, target) : std::max(value - step, target);
}

// Dims target by the dim level; at 256 (level 16) it stays as it is.
void darken(RenderSurface& target, int dim) {
    const int level = zentra::darken_level_for_alpha(dim);
    if (level < 16) {
        zentra::fill(target, *zentra::make_darken_blender(level));
    }
}

// The platform's emergency-number list in its own layout: each number ends with a NUL and a
// second NUL ends the list. Kept as a registry value here, with common numbers by default.
platform::WString emergency_list_buffer() {
    platform::WString numbers(Application::kDefaultEmergencyNumbers);
    read_string(Application::kEmergencyKey, Application::kEmergencyValue, numbers);
    platform::WString buffer;
    for (char16_t c : numbers) {
        if (c == u',') {
            buffer.push_back(u'\0');
        } else if (c != u' ') {
            buffer.push_back(c);
        }
    }
    buffer.append(2, u'\0');
    return buffer;
}

}  // namespace

std::vector<platform::WString> Application::split_emergency_list(platform::WStringView buffer) {
    std::vector<platform::WString> numbers;
    platform::WString number;
    const size_t limit = std::min<size_t>(buffer.size(), 2047);
    for (size_t i = 0; i < limit; ++i) {
        if (buffer[i] != u'\0') {
            number.push_back(buffer[i]);
            continue;
        }
        numbers.push_back(std::move(number));
        number.clear();
        if (i + 1 < limit && buffer[i + 1] == u'\0') {
            break;
        }
    }
    return numbers;
}

Application::Application(platform::WStringView name, display::Backend* backend) : m_name(name) {
    zentra::register_node_types();
    set_instance(this);
    if (backend != nullptr) {
        m_platform = std::make_unique<GameBase>(*this, name, *backend);
        m_metrics = m_platform->read_screen_metrics();
    }
    zentra::FontDesc description;
    description.face = u"Tahoma";
    description.size = 10;
    m_font = std::make_shared<zentra::FontRep>(description);
    log() << "Application::Application() this=" << reinterpret_cast<uintptr_t>(this) << "\n";
    m_emergency_numbers = split_emergency_list(emergency_list_buffer());
}

Application::~Application() {
    log() << "Application::~Application()\n";
    m_typed_digits.clear();
    m_emergency_numbers.clear();
    m_font.reset();
    m_platform.reset();
    m_transition.reset();
    m_forms.clear();
    m_reload_form.reset();
    zentra::unregister_node_types();
    if (instance() == this) {
        set_instance(nullptr);
    }
}

bool Application::on_key(const zentra::KeyEvent& event) {
    log() << "Application::on_key\n";
    if (event.down) {
        if (event.key == key::CallMake) {
            log() << "-------------------------------\n";
            log() << "-----------CALL_MAKE-----------\n";
            log() << "-------------------------------\n";
            log().flush();
            log() << "try call " << m_typed_digits << "\n";
            for (const platform::WString& number : m_emergency_numbers) {
                // An empty entry would match whatever was typed.
                if (!number.empty() && m_typed_digits.ends_with(number)) {
                    m_typed_digits.clear();
                    log() << "emergency call " << number << "\n";
                    if (m_platform) {
                        m_platform->rest_frames();
                    }
                    if (!platform::make_call(number)) {
                        log() << "Application::on_key no phone to place the call\n";
                    }
                    return true;
                }
            }
        } else if (event.key >= key::Digit0 && event.key <= key::Digit9) {
            m_typed_digits += key_name(event.key);
        } else if (event.key > 0) {
            m_typed_digits.clear();
        }
    }
    if (zentra::Form* form = top_form()) {
        return form->on_key(event);
    }
    return true;
}

void Application::resolution_changed() {
    if (!m_platform) {
        return;
    }
    const zentra::ScreenMetrics metrics = m_platform->read_screen_metrics();
    if (metrics.width != m_metrics.width || metrics.height != m_metrics.height ||
        metrics.orientation != m_metrics.orientation || metrics.dpi_y != m_metrics.dpi_y) {
        set_screen_metrics(metrics);
        log() << "Application::ResolutionChanged 2\n";
        if (m_listener != nullptr) {
            m_listener->on_resolution_changed();
        }
    }
    m_platform->apply_layout();
}

void Application::set_screen_metrics(const zentra::ScreenMetrics& metrics) {
    m_metrics = metrics;
    request_redraw();
}

Form* Application::top_form() const {
    return m_forms.empty() ? nullptr : m_forms.back().form;
}

int Application::find(const Form& form) const {
    for (int i = 0; i < form_count(); ++i) {
        if (m_forms[i].form == &form) {
            return i;
        }
    }
    return -1;
}

void Application::place(Form& form) const {
    zentra::layout_root(form, {0, 0}, screen_size());
}

void Application::fill_background(RenderSurface& target) const {
    zentra::fill(target, m_background_color);
}

void Application::render_into_screen_surface(Form& form) {
    m_surface.recreate(m_metrics.width, m_metrics.height);
    place(form);
    fill_background(m_surface);
    // A hidden form draws nothing (its children see a hidden parent); the form below an
    // overlay is shown just for this picture.
    const bool was_visible = form.visible();
    if (!was_visible) {
        form.set_visible_at_once(true);
    }
    form.draw(m_surface, {0, 0});
    if (!was_visible) {
        form.set_visible_at_once(false);
    }
}

void Application::destroy_transition() {
    m_transition.reset();
    m_transition_form = nullptr;
}

void Application::create_transition(Form& form, bool animate) {
    if (animate && form.visibility_animation() != nullptr) {
        m_transition = form.visibility_animation()->clone();
        m_transition_form = &form;
    }
}

void Application::remember_focus() {
    if (m_forms.empty()) {
        return;
    }
    StackEntry& top = m_forms.back();
    zentra::EditNode* focused = zentra::EditNode::focused();
    top.focused_edit = focused != nullptr && holds(*top.form, focused) ? focused : nullptr;
}

void Application::restore_focus() {
    if (m_forms.empty()) {
        return;
    }
    StackEntry& top = m_forms.back();
    zentra::EditNode* edit = top.focused_edit;
    // A skin reload may have rebuilt the form since: only an edit found in it is followed.
    if (edit == nullptr || !holds(*top.form, edit)) {
        top.focused_edit = nullptr;
        return;
    }
    if (zentra::EditNode::focused() != edit && edit->is_visible()) {
        edit->focus();
    }
}

void Application::add_modal_form(Form& form, bool overlay, bool animate) {
    request_redraw();
    // Hiding the form below takes the focus from its edit; the edit gets it back when that
    // form is on top again. A form that took the focus before it was pushed keeps it.
    remember_focus();
    zentra::EditNode* pushed_focus = zentra::EditNode::focused();
    if (pushed_focus != nullptr && !holds(form, pushed_focus)) {
        pushed_focus = nullptr;
    }
    // Callers bring a form to the top by removing it and adding it again; one that is pushed
    // twice loses its old entry, so it is never on the stack twice.
    if (const int index = find(form); index >= 0) {
        log() << "Application::add_modal_form form already on the stack\n";
        if (pushed_focus == nullptr) {
            pushed_focus = m_forms[index].focused_edit;
        }
        m_forms.erase(m_forms.begin() + index);
    }
    place(form);

    if (m_forms.empty()) {
        form.set_visible_at_once(true);
    } else if (overlay) {
        destroy_transition();
        StackEntry& top = m_forms.back();
        // An overlay over an overlay keeps the frozen image of the full-screen form below.
        if (!top.overlay) {
            render_into_screen_surface(*top.form);
        }
        top.form->set_visible_at_once(false);
        // A fresh form is visible; switch it off so its show animation plays.
        form.set_visible_at_once(false);
        form.set_visible(true);
    } else {
        StackEntry& top = m_forms.back();
        if (animate && m_transition && m_transition->direction() < 0 &&
            m_transition_form == &form) {
            // Pushed again while its removal still plays: the same run turns round.
            top.form->set_visible_at_once(false);
            form.set_visible_at_once(true);
            m_transition->reverse();
        } else {
            destroy_transition();
            create_transition(form, animate);
            // What the screen showed, for the transition to start from.
            RenderSurface from;
            if (top.overlay) {
                if (!m_transition) {
                    m_surface.release();
                } else {
                    // The dimmed background with the overlay over it, drawn on a copy: the
                    // frozen image stays clean in case the transition turns round and the
                    // overlay comes back over it.
                    from.recreate(m_metrics.width, m_metrics.height);
                    if (m_surface.empty()) {
                        fill_background(from);
                    } else {
                        zentra::copy(m_surface, from, {0, 0}, zentra::plain_blender());
                    }
                    darken(from, m_dim_level);
                    place(*top.form);
                    top.form->render(from, {0, 0});
                }
                top.form->set_visible_at_once(false);
                form.set_visible_at_once(true);
                m_dim_level = kDimNone;
            } else {
                if (m_transition) {
                    render_into_screen_surface(*top.form);
                    from.take_over(m_surface);
                }
                top.form->set_visible_at_once(false);
                form.set_visible_at_once(true);
            }
            if (m_transition) {
                form.refresh_own_surface();
                m_transition->start(&from, 1, &form.surface());
            }
        }
    }

    m_forms.push_back({&form, overlay, pushed_focus});
    restore_focus();
    if (m_listener != nullptr) {
        m_listener->on_form_added(form);
    }
}

bool Application::remove_modal_form(Form& form, bool animate) {
    const int index = find(form);
    if (index < 0) {
        return false;
    }
    request_redraw();
    if (m_listener != nullptr) {
        m_listener->on_form_removed(form, animate);
    }
    if (index != form_count() - 1) {
        form.set_visible_at_once(false);
        m_forms.erase(m_forms.begin() + index);
        return true;
    }

    const bool was_overlay = m_forms.back().overlay;
    m_forms.pop_back();
    if (m_forms.empty()) {
        // Off the stack means off the screen: nothing is left to draw over it.
        form.set_visible_at_once(false);
        return true;
    }
    StackEntry& top = m_forms.back();

    if (animate && m_transition && m_transition->direction() > 0 && m_transition_form == &form) {
        // Removed while its show still plays: the same run turns round and hides it.
        form.set_visible_at_once(false);
        top.form->set_visible_at_once(true);
        place(*top.form);
        m_transition->reverse();
        restore_focus();
        return true;
    }

    destroy_transition();
    if (was_overlay) {
        form.set_visible_at_once(false);
        if (top.overlay) {
            // Placed first: showing with the animation takes the form's picture.
            place(*top.form);
            top.form->set_visible(true);
        } else {
            m_surface.release();
            top.form->set_visible_at_once(true);
        }
    } else {
        create_transition(form, animate);
        if (top.overlay) {
            // The overlay that comes back needs its frozen background: the topmost
            // full-screen form under it.
            Form* base = nullptr;
            for (auto it = m_forms.rbegin(); it != m_forms.rend(); ++it) {
                if (!it->overlay) {
                    base = it->form;
                    break;
                }
            }
            if (base != nullptr) {
                render_into_screen_surface(*base);
            } else {
                m_surface.recreate(m_metrics.width, m_metrics.height);
                fill_background(m_surface);
            }
            place(*top.form);
            top.form->set_visible(true);
        } else {
            top.form->set_visible_at_once(true);
            if (m_transition) {
                render_into_screen_surface(*top.form);
            }
        }
        if (m_transition) {
            form.refresh_own_surface();
            if (top.overlay) {
                // The overlay keeps the screen surface as its background; the transition
                // takes a copy.
                RenderSurface from;
                from.recreate(m_surface.width(), m_surface.height());
                zentra::copy(m_surface, from, {0, 0}, zentra::plain_blender());
                m_transition->start(&from, -1, &form.surface());
            } else {
                m_transition->start(&m_surface, -1, &form.surface());
            }
        }
        form.set_visible_at_once(false);
    }
    place(*top.form);
    restore_focus();
    return true;
}

void Application::advance(double seconds) {
    if (m_transition) {
        request_redraw();
        if (m_transition->is_running()) {
            m_transition->advance(seconds);
            return;
        }
        destroy_transition();
    }
    if (m_forms.empty()) {
        return;
    }
    Form& top = *m_forms.back().form;
    place(top);
    top.advance(seconds);
    if (m_reload_form && find(*m_reload_form) < 0) {
        m_reload_form.reset();
    }
    if (Form* now_top = top_form(); now_top != nullptr && now_top->is_dirty()) {
        request_redraw();
    }
}

void Application::render_frame(RenderSurface& target) {
    const bool own_redraw = m_redraw;
    m_redraw = false;
    if (m_transition && m_transition->is_running()) {
        fill_background(target);
        m_transition->draw(target, {0, 0});
    } else if (m_forms.empty()) {
        fill_background(target);
    } else {
        StackEntry& top = m_forms.back();
        place(*top.form);
        if (top.overlay) {
            if (m_surface.empty()) {
                fill_background(target);
            } else {
                zentra::copy(m_surface, target, {0, 0}, zentra::plain_blender());
            }
            // Another frame is asked for while the level just drawn is not the final one, so
            // the last step reaches the screen too.
            darken(target, m_dim_level);
            if (m_dim_level != kDimOverlay) {
                request_redraw();
            }
            m_dim_level = move_toward(m_dim_level, kDimOverlay, kDimStep);
        } else {
            // Where the form leaves the screen uncovered, the background shows.
            fill_background(target);
        }
        top.form->render(target, {0, 0});
    }
    if (m_forms.empty() || !m_forms.back().overlay) {
        darken(target, m_dim_level);
        if (m_dim_level != kDimNone) {
            request_redraw();
        }
        m_dim_level = move_toward(m_dim_level, kDimNone, kDimStep);
    }
    // What an input method is composing shows over everything but the frame-time corner.
    if (m_platform) {
        m_platform->paint_composition(target);
    }
    paint_frame_overlay(target, own_redraw);
}

bool Application::on_pointer(const zentra::PointerEvent& event) {
    Form* top = top_form();
    return top == nullptr || top->on_pointer(event);
}

void Application::on_pointer_move(Point point) {
    if (Form* top = top_form()) {
        top->on_pointer_move(point);
    }
}

bool Application::on_text(platform::WStringView text) {
    Form* top = top_form();
    return top == nullptr || top->on_text(text);
}

void Application::reload_skin(zentra::Properties& properties) {
    if (m_reload_form && find(*m_reload_form) >= 0) {
        // One pending reload already tells every listener about the skin now loaded.
        return;
    }
    m_reload_form = std::make_unique<SkinReloadForm>(*this, properties);
    add_modal_form(*m_reload_form, false, false);
}

}  // namespace velvane
