#pragma once
// Hand-overs to other programs (messaging, chat, browser, any file) and two pieces of phone
// state. Every hand-over logs the command line the handheld program would have received, then
// runs a Linux command chosen by string values under HKEY_CURRENT_USER\Software\Quorr\Velvane:
//   BrowserCommand (default "xdg-open"), MailCommand (default "xdg-open"),
//   SmsCommand (default empty: only logged), MessageStores ("|"-separated, default "SMS"),
//   ContactsCommand and NotesCommand (default empty: nothing runs).
// A configured command is split into words; in each word "{line}", "{number}", "{body}",
// "{store}", "{id}" and "{view}" are replaced. Nothing passes through a shell.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ustring.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

// Called before a hand-over that brings another program to the front; returns the previous.
std::function<void()> set_rest_frames_hook(std::function<void()> hook);

void send_chat(WStringView number);
void send_mail(WStringView address);
void open_web_page(WStringView address);
bool execute_file(WStringView path, WStringView arguments);
// Opens a contact in the desktop's own contacts program, when one is configured: "{id}" is
// the contact's object id, "{view}" "edit" or "display". False when none is configured.
bool open_contacts_program(std::uint32_t object_id, bool edit);
// Starts the notes program (the handheld's "notes.exe" with an empty command line), when one
// is configured; false when none is.
bool run_notes_program();
bool find_installed_program(WStringView app_key, WStringView file_name, WString& path_out);

// The messaging program for a given operating-system major version.
WString messaging_program(int os_major);
void run_messaging_program(WStringView command_line);
void send_sms(WStringView number, WStringView body);
std::vector<WString> message_store_names();

std::uint32_t missed_call_count();
void reset_missed_call_count();

WString device_name();
WString device_description();

}  // namespace velvane
