#include "app/handovers.h"

#include <string>
#include <utility>

#include "core/log.h"
#include "core/paths.h"
#include "core/registry.h"
#include "platform/device_info.h"
#include "platform/files.h"
#include "platform/launcher.h"

namespace velvane {

namespace {

constexpr WStringView kSettings = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";
constexpr WStringView kPhoneState = u"HKEY_CURRENT_USER\\System\\State\\Phone";
constexpr WStringView kMissedCalls = u"Missed Call Count";

std::function<void()>& rest_hook() {
    static std::function<void()> hook;
    return hook;
}

void rest_frames() {
    if (rest_hook()) {
        rest_hook()();
    }
}

WString setting(WStringView name, WStringView fallback) {
    WString value;
    if (!read_string(kSettings, name, value)) {
        return WString(fallback);
    }
    return value;
}

struct Field {
    std::string_view key;
    std::string value;
};

void replace_all(std::string& word, std::string_view key, const std::string& value) {
    for (std::size_t at = word.find(key); at != std::string::npos;
         at = word.find(key, at + value.size())) {
        word.replace(at, key.size(), value);
    }
}

// Runs a configured command with the placeholders filled in word by word.
bool run_configured(WStringView command, const std::vector<Field>& fields) {
    std::vector<std::string> argv = platform::split_command(platform::to_utf8(command));
    if (argv.empty()) {
        return false;
    }
    for (std::string& word : argv) {
        for (const Field& field : fields) {
            replace_all(word, field.key, field.value);
        }
    }
    return platform::launch(argv);
}

void run_messaging(WStringView command_line, std::vector<Field> fields) {
    WString program = messaging_program(platform::os_major_version());
    log() << "run_messaging_program(" << program << u' ' << command_line << ")\n";
    fields.push_back({"{line}", platform::to_utf8(command_line)});
    if (command_line.starts_with(u"mailto:")) {
        run_configured(setting(u"MailCommand", u"xdg-open {line}"), fields);
    } else {
        run_configured(setting(u"SmsCommand", u""), fields);
    }
}

}  // namespace

std::function<void()> set_rest_frames_hook(std::function<void()> hook) {
    return std::exchange(rest_hook(), std::move(hook));
}

void send_chat(WStringView number) {
    WString path;
    if (find_installed_program(u"Quorr Textwell", u"Textwell.exe", path)) {
        execute_file(path, WString(u"open:") + WString(number));
        return;
    }
    rest_frames();
    send_sms(number, u"");
}

void send_mail(WStringView address) {
    rest_frames();
    run_messaging_program(WString(u"mailto:") + WString(address));
}

void open_web_page(WStringView address) {
    rest_frames();
    log() << "open_web_page(iexplore.exe " << address << ")\n";
    run_configured(setting(u"BrowserCommand", u"xdg-open {line}"),
                   {{"{line}", platform::to_utf8(address)}});
}

bool open_contacts_program(std::uint32_t object_id, bool edit) {
    const WString command = setting(u"ContactsCommand", u"");
    const std::string view = edit ? "edit" : "display";
    log() << "open_contacts_program(" << object_id << " " << view << ")\n";
    if (command.empty()) {
        return false;
    }
    rest_frames();
    return run_configured(command, {{"{id}", std::to_string(object_id)}, {"{view}", view}});
}

bool run_notes_program() {
    const WString command = setting(u"NotesCommand", u"");
    log() << "run_notes_program(notes.exe)\n";
    if (command.empty()) {
        return false;
    }
    rest_frames();
    return run_configured(command, {});
}

bool execute_file(WStringView path, WStringView arguments) {
    WString expanded = expand_path(path);
    log() << "execute_file(" << expanded << "} {" << arguments << ")\n";
    std::string native = platform::native_path(expanded);
    if (!platform::file_exists(expanded) && !platform::folder_exists(expanded)) {
        return false;
    }
    // Programs run themselves with the arguments as one word; documents go to their viewer.
    if (platform::is_program_file(expanded)) {
        std::vector<std::string> argv{native};
        if (!arguments.empty()) {
            argv.push_back(platform::to_utf8(arguments));
        }
        return platform::launch(argv);
    }
    return platform::launch({"xdg-open", native});
}

bool find_installed_program(WStringView app_key, WStringView file_name, WString& path_out) {
    WString key = WString(u"HKEY_LOCAL_MACHINE\\Software\\Apps\\") + WString(app_key);
    if (!read_string(key, u"InstallDir", path_out) || path_out.empty()) {
        return false;
    }
    path_out += u'\\';
    path_out += file_name;
    return !platform::find_files(path_out).empty();
}

WString messaging_program(int os_major) {
    return os_major > 2 ? u"\\Windows\\Tmail.exe" : u"\\Windows\\pmail.exe";
}

void run_messaging_program(WStringView command_line) {
    run_messaging(command_line, {});
}

std::vector<WString> message_store_names() {
    std::vector<WString> names;
    WString list = setting(u"MessageStores", u"SMS");
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(u'|', start);
        if (end == WString::npos) {
            end = list.size();
        }
        if (end > start) {
            names.push_back(list.substr(start, end - start));
            log() << "Store name: " << names.back() << "\n";
        }
        start = end + 1;
    }
    return names;
}

void send_sms(WStringView number, WStringView body) {
    for (const WString& store : message_store_names()) {
        if (store.find(u"SMS") == WString::npos) {
            continue;
        }
        WString line = u"-service \"" + store + u"\" -to \"" + WString(number) + u"\" -body \"" +
                       WString(body) + u"\"";
        log() << "cmd_line = " << line << "\n";
        run_messaging(line, {{"{store}", platform::to_utf8(store)},
                             {"{number}", platform::to_utf8(number)},
                             {"{body}", platform::to_utf8(body)}});
        return;
    }
}

std::uint32_t missed_call_count() {
    std::uint32_t count = 0;
    read_dword(kPhoneState, kMissedCalls, count);
    return count;
}

void reset_missed_call_count() {
    write_dword(kPhoneState, kMissedCalls, 0);
}

WString device_name() {
    return platform::device_name();
}

WString device_description() {
    return platform::device_description();
}

}  // namespace velvane
