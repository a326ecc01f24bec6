#!/usr/bin/env python3
"""Writes the sources of the default skin and its dark variant, one palette apart: both
share one layout, described here once. The build runs it (skins/CMakeLists.txt) and compiles
the sources from the build folder; nothing it writes is committed.

    scripts/make-skins.py --out DIR   # write DIR/<skin>/*.vskin
    scripts/make-skins.py --list      # the files it writes, as <skin>/<file>.vskin
    scripts/draw-icons.py             # the skins' pictures (committed)

Geometry is in skin units at 96 dpi on a 240 x 320 portrait screen; anchors keep it right
in landscape and on larger screens, and the loader doubles it at 192 dpi.
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from skin_palettes import PALETTES, ROUNDED  # noqa: E402

FACE = "Tahoma"
# The height of the call screen's band of call buttons, which its keypad leaves free.
CALL_BAND = 48


class Color(str):
    pass


class Font(str):
    pass


class Image:
    def __init__(self, picture, coords=None, flag=0):
        self.picture = picture
        self.coords = coords
        self.flag = flag

    def __str__(self):
        if self.coords is None:
            return '"%s"' % self.picture
        return '"%s" %s %d' % (self.picture, " ".join(str(c) for c in self.coords), self.flag)


def font(size, bold=0):
    return Font("%d %d 0 0 %s" % (size, bold, FACE))


# Short names for the keys every node uses.
KEYS = {
    "ax": "anchor_x",
    "ay": "anchor_y",
    "bmin": "border_min",
    "bmax": "border_max",
    "size": "design_size",
    "anim": "visibility_animation",
    "ratio": "table_ratio",
}


class Node:
    def __init__(self, type_, id_=None, children=(), **props):
        self.type = type_
        self.id = id_
        self.children = [c for c in children if c is not None]
        self.props = props

    def lines(self, indent):
        pad = " " * indent
        out = ['%sstring type = "%s"' % (pad, self.type)]
        if self.id is not None:
            out.append('%sstring id = "%s"' % (pad, self.id))
        for key, value in self.props.items():
            key = KEYS.get(key, key)
            if isinstance(value, Color):
                out.append("%scolor %s = %s" % (pad, key, value))
            elif isinstance(value, Font):
                out.append('%sfont %s = "%s"' % (pad, key, value))
            elif isinstance(value, Image):
                out.append("%simage %s = %s" % (pad, key, value))
            elif isinstance(value, tuple):
                out.append("%spoint %s = %d, %d" % (pad, key, value[0], value[1]))
            elif isinstance(value, int):
                out.append("%sint %s = %d" % (pad, key, value))
            else:
                out.append('%sstring %s = "%s"' % (pad, key, escape(value)))
        for child in self.children:
            out.append("%snode {" % pad)
            out.extend(child.lines(indent + 4))
            out.append("%s}" % pad)
        return out


def escape(text):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ord(ch) > 126:
            out.append("\\u%04x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def define(name, node, comment):
    text = ["# " + line for line in comment.strip().splitlines()]
    text.append("define %s {" % name)
    text.extend(node.lines(4))
    text.append("}")
    return "\n".join(text) + "\n"


class Skin:
    """The layout, given one palette and the prefix of its pictures."""

    def __init__(self, name, palette):
        self.name = name
        self.p = {k: Color(v) if isinstance(v, str) and v.startswith("#") else v
                  for k, v in palette.items()}

    def pic(self, icon, *coords, flag=0):
        return Image("%s_%s" % (self.name, icon), coords if coords else None, flag)

    # Pieces.

    def fill(self, color, id_=None, **props):
        return Node("color", id_, color=self.p[color], **props)

    def icon(self, icon, id_=None, **props):
        props.setdefault("ax", "CENTER")
        props.setdefault("ay", "CENTER")
        return Node("image", id_, src=self.pic(icon), alpha=128, grow=1, **props)

    def text(self, id_, pt, color, text=None, bold=0, **props):
        if text is not None:
            props["text"] = text
        return Node("text", id_, font=font(pt, bold), color=self.p[color], **props)

    def states(self, normal, pressed, inset=(0, 0)):
        """A button's #normal and #pressed backgrounds."""
        return [self.fill(normal, "#normal", bmin=inset, bmax=inset),
                self.fill(pressed, "#pressed", bmin=inset, bmax=inset)]

    def rounded(self, role, id_=None, **props):
        """A rounded box in the colour of role, stretched as a nine-patch over the node."""
        r = ROUNDED[role]
        n = 2 * r + 2
        return Node("image", id_, src=self.pic("round_" + role, 0, 0, r, r, r + 2, r + 2, n, n),
                    alpha=128, **props)

    def rounded_states(self, normal, pressed, inset=(0, 0)):
        return [self.rounded(normal, "#normal", bmin=inset, bmax=inset),
                self.rounded(pressed, "#pressed", bmin=inset, bmax=inset)]

    # The tab bar.

    def tab_state(self, id_, icon, caption, current, badge=False):
        p = "tab_on" if current else "tab_off"
        children = [
            self.fill(p, "#normal"),
            self.fill("tab_pressed", "#pressed"),
            self.fill("accent", "underline", ay="MAX_SIDE", size=(0, 3)) if current else None,
            self.icon(icon + ("_on" if current else ""), "icon", ay="MIN_SIDE", bmin=(0, 4)),
            self.text("caption", 8, "tab_text_on" if current else "tab_text", caption,
                      ay="MAX_SIDE", bmax=(0, 3), size=(0, 12)),
        ]
        if badge:
            # The count on a bubble at the icon's top right. The text inside carries the
            # badge's own name, so setting the badge's text by name reaches it.
            children.append(Node("node", "recent_count", ax="CENTER", ay="MIN_SIDE",
                                 bmin=(24, 2), size=(18, 14), children=[
                self.rounded("badge"),
                Node("text", "recent_count", font=font(7, 1), color=self.p["badge_text"],
                     bmin=(4, 0), bmax=(4, 0), grow=1),
            ]))
        return Node("button", id_, children=children)

    def tab(self, id_, icon, caption, states):
        """A tab is a multinode whose children are its states 0, 1, 2."""
        return Node("multinode", id_, size=(56, 0), ratio=1, children=[
            self.tab_state("#state%d" % i, icon, caption, current, badge)
            for i, (current, badge) in enumerate(states)])

    def tab_bar(self):
        return Node("htable", "tabs", ay="MIN_SIDE", size=(240, 38), children=[
            self.tab("button_contacts", "contacts", "skinContacts",
                     [(False, False), (True, False), (True, False)]),
            # The favourites grid shows its own icon while it is the one on screen.
            Node("multinode", "button_favorits", size=(56, 0), ratio=1, children=[
                self.tab_state("#state0", "favorites", "skinFavorites", False),
                self.tab_state("#state1", "favorites", "skinFavorites", True),
                self.tab_state("#state2", "favorites_grid", "skinFavorites", True),
            ]),
            # Every state carries the missed-call badge: the count stays in sight while the
            # tab is the current one.
            self.tab("button_recents", "recents", "skinRecents",
                     [(False, True), (True, True), (False, True)]),
            Node("multinode", "button_menu", size=(40, 0), children=[
                Node("button", "#idle", children=[
                    self.fill("tab_off", "#normal"),
                    self.fill("tab_pressed", "#pressed"),
                    self.icon("menu")]),
                Node("button", "#open", children=[
                    self.fill("tab_pressed", "#normal"),
                    self.fill("tab_pressed", "#pressed"),
                    self.icon("menu_on")]),
            ]),
        ])

    # The contact list.

    def contact_container(self, sync_line=False):
        """ContactSelectorContainer: the title bar over the list. A table, so the list takes
        the bar's room when a screen hides the bar, or the main screen its sync line."""
        return Node("vtable", "ContactSelectorContainer", bmin=(0, 38), children=[
            Node("node", "top", size=(0, 28), children=[
                self.fill("title_bar"),
                Node("button", "btnCategory", ax="MIN_SIDE", size=(36, 0), children=[
                    self.fill("title_bar", "#normal"),
                    self.fill("title_pressed", "#pressed"),
                    self.icon("category")]),
                self.text("title", 10, "title_text", "skinAllContacts", bold=1,
                          bmin=(36, 0), bmax=(36, 0), ellipsis=1),
                Node("button", "btnAddContact", ax="MAX_SIDE", size=(36, 0), children=[
                    self.fill("title_bar", "#normal"),
                    self.fill("title_pressed", "#pressed"),
                    self.icon("add")]),
                self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1)),
            ]),
            # How the address book sync goes; a tap puts it away. Its text ends before the
            # ruler, which starts beside it.
            Node("button", "sync_status", size=(0, 18), children=[
                self.fill("ruler_bg", "#normal"),
                self.fill("title_pressed", "#pressed"),
                self.text("sync_status", 8, "row_second", bmin=(8, 0), bmax=(26, 0),
                          halign="LEFT", ellipsis=1),
                self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1)),
            ]) if sync_line else None,
            # No border at the bottom: the list binds rows only down to its height less that
            # border, so a border the keypad button's size would leave a blank band under the
            # rows, a third of the list in landscape. The button keeps to the right instead.
            Node("vlist", "ContactsList", ratio=1, children=[
                self.fill("list_bg"),
                # Shown over the empty list when a search finds no one.
                self.text("no_matches", 10, "row_small", "skinNoMatches", ay="MIN_SIDE",
                          bmin=(10, 16), bmax=(26, 0), size=(0, 20), ellipsis=1),
            ]),
        ])

    def ruler(self, top):
        """ContactsListRuler spans the list so the hint can sit in its middle; only its
        right strip takes touches."""
        return Node("node", "ContactsListRuler", bmin=(0, top), bmax=(0, 4),
                    anim="right", children=[
            # A strip of its own under the letters: they slide in and out with the ruler, and
            # glyph edges need a solid ground in the animation's picture.
            Node("button", "ruler_button", ax="MAX_SIDE", size=(22, 0), children=[
                self.fill("ruler_bg", "#normal", bmin=(3, 0), bmax=(3, 0)),
                self.fill("ruler_pressed", "#pressed", bmin=(3, 0), bmax=(3, 0)),
            ]),
            Node("vtable", "ruler_table", ax="MAX_SIDE", size=(22, 0), bmin=(0, 2),
                 bmax=(0, 2)),
            # The letter bubble; its text carries the bubble's name, as with the badge.
            Node("node", "hint", ax="CENTER", ay="CENTER", size=(64, 64), children=[
                self.rounded("hint"),
                self.text("hint", 28, "hint_text", bold=1),
            ]),
        ])

    def open_keyboard(self):
        # A round button in the bottom right corner, beside the ruler: over the last row it
        # covers only the row's far end, where a name seldom reaches.
        return Node("button", "open_keyboard", ax="MAX_SIDE", ay="MAX_SIDE", size=(48, 48),
                    bmax=(30, 10), anim="scale",
                    children=self.rounded_states("fab", "fab_pressed") + [self.icon("keypad")])

    # The keypad.

    # The call screen's keypad wears its colours: role on the main screen -> role there.
    CALL_KEYPAD = {"keypad_bg": "call_bg", "line": "call_bg", "key": "call_key",
                   "key_pressed": "call_key_pressed", "key_text": "call_text",
                   "key_letters": "call_text_dim", "display_text": "call_text",
                   "close": "close_call", "backspace": "backspace_call"}

    def key(self, id_, digit, letters, look):
        # Keys ask for equal widths, so the table shares the row out evenly.
        back = self.rounded_states(look("key"), look("key_pressed"), (2, 2))
        return Node("button", id_, ratio=1, size=(60, 0), children=back + [
            self.text("digit", 14, look("key_text"), digit, bold=1, ay="MIN_SIDE", bmin=(0, 2),
                      size=(0, 20)),
            self.text("letters", 7, look("key_letters"), letters, ay="MAX_SIDE", bmax=(0, 3),
                      size=(0, 10)) if letters else None,
        ])

    def keyboard(self, call=False):
        """The keypad. On the main screen it is 240 wide at most: full width in portrait, the
        right-hand side in landscape, where the list stays readable beside it; its top meets
        the list's title bar on a 240 high landscape screen. On the call screen it spans the
        screen over the caller and the toggles, keys centred, and leaves the call buttons'
        band under it free."""
        look = (lambda role: self.CALL_KEYPAD.get(role, role)) if call else (lambda role: role)
        key = lambda id_, digit, letters: self.key(id_, digit, letters, look)
        row = lambda *keys: Node("htable", None, size=(0, 34), ratio=1, children=keys)
        place = (dict(ay="MAX_SIDE", size=(0, 174), bmax=(0, CALL_BAND)) if call else
                 dict(ax="MAX_SIDE", ay="MAX_SIDE", size=(240, 174)))
        keys = dict(ax="CENTER", size=(236, 0), bmin=(0, 3), bmax=(0, 3)) if call else \
            dict(bmin=(2, 3), bmax=(2, 3))
        return Node("node", "KeyboardContainer", anim="bottom", children=[
            self.fill(look("keypad_bg")),
            self.fill(look("line"), "rule", ay="MIN_SIDE", size=(0, 1)),
            Node("vtable", "keys", children=[
                Node("node", "display", size=(0, 32), ratio=1, children=[
                    self.text("text_button_call", 16, look("display_text"), bmin=(48, 0),
                              bmax=(48, 0), ellipsis=1),
                    # Close and backspace share one place: the keypad shows one at a time.
                    Node("button", "button_close", ax="MAX_SIDE", size=(48, 0), children=[
                        Node("node", "#normal"),
                        self.fill(look("key_pressed"), "#pressed", bmin=(2, 2), bmax=(2, 2)),
                        self.icon(look("close"))]),
                    Node("button", "button_backspace", ax="MAX_SIDE", size=(48, 0), children=[
                        Node("node", "#normal"),
                        self.fill(look("key_pressed"), "#pressed", bmin=(2, 2), bmax=(2, 2)),
                        self.icon(look("backspace"))]),
                ]),
                row(key("button1", "1", ""), key("button2", "2", "ABC"),
                    key("button3", "3", "DEF")),
                row(key("button4", "4", "GHI"), key("button5", "5", "JKL"),
                    key("button6", "6", "MNO")),
                row(key("button7", "7", "PQRS"), key("button8", "8", "TUV"),
                    key("button9", "9", "WXYZ")),
                row(key("button_hash", "#", "*"), key("button0", "0", "+"),
                    # A cell of its own, so the grid keeps its columns when the key is hidden.
                    Node("node", "call_cell", ratio=1, size=(60, 0), children=[
                        Node("button", "button_call",
                             children=self.rounded_states("call", "call_pressed", (2, 2))
                             + [self.icon("call")]),
                    ])),
            ], **keys),
        ], **place)

    # Screens.

    def main(self):
        return Node("node", "Main", size=(240, 320), children=[
            self.fill("list_bg", "#background"),
            # The tabs' containers share the room under the tab bar; the main screen shows
            # the current one. The contact list comes last of them, so it is the one seen
            # when nothing has been hidden yet.
            self.recents_container(),
            self.favorites_container(),
            self.favorites_grid_container(),
            self.contact_container(sync_line=True),
            self.ruler(38 + 28),
            self.open_keyboard(),
            self.keyboard(),
            self.tab_bar(),
        ])

    def contact_selector_form(self):
        return Node("node", "ContactSelectorForm", size=(240, 320), anim="right", children=[
            self.fill("list_bg", "#background"),
            self.contact_container(),
            Node("node", "header", ay="MIN_SIDE", size=(0, 38), children=[
                self.fill("tab_off"),
                Node("button", "cancel", ax="MIN_SIDE", size=(44, 0), children=[
                    self.fill("tab_off", "#normal"),
                    self.fill("tab_pressed", "#pressed"),
                    self.icon("back")]),
                self.text("caption", 11, "tab_text_on", "skinChooseContact", bold=1,
                          bmin=(44, 0), bmax=(8, 0), halign="LEFT", ellipsis=1),
            ]),
            self.ruler(38),
            self.open_keyboard(),
            self.keyboard(),
        ])

    def row(self):
        return Node("node", "ContactsListElement", size=(240, 40), children=[
            self.fill("row", "#vlist_normal"),
            self.fill("row_pressed", "#vlist_pressed"),
            self.fill("row_selected", "#vlist_selected"),
            # A name too long for the row ends in an ellipsis; the screen shortens a line
            # further where the keypad button lies over it.
            Node("richtext", "big", ay="MIN_SIDE", bmin=(10, 3), bmax=(26, 0), size=(0, 19),
                 font=font(11, 1), color=self.p["row_text"], halign="LEFT", valign="BOTTOM",
                 ellipsis=1),
            Node("richtext", "small", ay="MIN_SIDE", bmin=(10, 22), bmax=(26, 0), size=(0, 15),
                 font=font(8), color=self.p["row_small"], halign="LEFT", valign="TOP",
                 ellipsis=1),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(10, 0), size=(0, 1)),
        ])

    def second_text(self):
        return self.text(None, 11, "row_second")

    def filtered_text(self):
        # Colour only: the marked part keeps the font of the line it is on, so a match on
        # the small second line stays small.
        return Node("text", None, color=self.p["row_filtered"])

    def ruler_letter(self):
        return self.text("letter", 7, "ruler_text", "A", bold=1, size=(22, 11), ratio=1)

    # Menus.

    def menu(self):
        # The list grows up from the bottom edge with its rows; the caption rides in the band
        # above its first row. The list is a child of the root so that, when it measures
        # itself, the room it may grow into is already known. Every menu ends in a Cancel
        # row, so the sheet has no cancel button of its own.
        return Node("node", "Menu", size=(240, 320), anim="bottom", children=[
            Node("vlist", "vlist", ax="CENTER", ay="MAX_SIDE", size=(300, 0), grow=1,
                 scroll_border_min=(0, 32), children=[
                     self.fill("menu_bg"),
                     Node("node", "panel", ay="MIN_SIDE", size=(0, 32), children=[
                         self.fill("menu_head"),
                         self.text("caption", 10, "menu_head_text", bold=1, bmin=(16, 0),
                                   bmax=(16, 0), halign="LEFT", ellipsis=1),
                     ]),
                 ]),
        ])

    def menu_row(self, name, normal, text_color, bold=0):
        return Node("node", name, size=(0, 40), children=[
            self.fill(normal, "#vlist_normal"),
            self.fill("menu_pressed", "#vlist_pressed"),
            self.fill("menu_pressed", "#vlist_selected"),
            self.fill("line", "separator", ay="MIN_SIDE", bmin=(12, 0), bmax=(12, 0),
                      size=(0, 2)),
            self.text("#text", 11, text_color, bold=bold, bmin=(16, 0), bmax=(40, 0),
                      halign="LEFT", ellipsis=1),
            self.icon("check", "checked", ax="MAX_SIDE", bmax=(12, 0)),
            self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1)),
        ])

    def window_button(self, id_, icon, caption):
        return Node("button", id_, ratio=1, children=self.states("menu_bg", "menu_pressed") + [
            self.icon(icon, ay="MIN_SIDE", bmin=(0, 5)),
            self.text("caption", 8, "menu_small", caption, ay="MAX_SIDE", bmax=(0, 4),
                      size=(0, 12)),
        ])

    def menu_four_buttons(self, name):
        return Node("node", name, size=(0, 48), children=[
            self.fill("menu_bg", "#vlist_normal"),
            Node("htable", "buttons", children=[
                self.window_button("Help", "help", "Help"),
                self.window_button("Minimize", "minimize", "Minimize"),
                self.window_button("Exit", "exit", "Exit"),
            ]),
            self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1)),
        ])

    # The contact card and its editors.

    def header_button(self, id_, icon, caption=None, width=44, **props):
        """A button of a screen's header: an icon, with a small caption under it when given."""
        if caption is None:
            face = [self.icon(icon)]
        else:
            face = [self.icon(icon, ay="MIN_SIDE", bmin=(0, 3)),
                    self.text("#text", 8, "tab_text_on", caption, ay="MAX_SIDE", bmax=(0, 3),
                              size=(0, 12))]
        return Node("button", id_, size=(width, 0), children=[
            self.fill("tab_off", "#normal"),
            self.fill("tab_pressed", "#pressed")] + face, **props)

    def header(self, caption, left, right=(), right_width=0):
        """The bar over a screen: its caption between the buttons at either end."""
        return Node("node", "header", ay="MIN_SIDE", size=(0, 38), children=[
            self.fill("tab_off"),
            left,
            self.text("caption", 11, "tab_text_on", caption, bold=1, bmin=(52, 0),
                      bmax=(max(right_width, 44) + 8, 0), ellipsis=1),
        ] + list(right))

    def back_button(self):
        return self.header_button("cancel", "back", ax="MIN_SIDE")

    def done_button(self):
        # The editors save when they are left, so their way out reads as done.
        return self.header_button("cancel", "back", "skinDone", width=52, ax="MIN_SIDE")

    def form(self, name, caption, left, body, right=(), right_width=0):
        return Node("node", name, size=(240, 320), anim="right", children=[
            self.fill("list_bg", "#background"),
        ] + body + [self.header(caption, left, right, right_width)])

    def contact_form(self):
        # padding stands where cancel is while the card edits, so the caption keeps its place.
        # edit_mode's two states are buttons: a click on either steps the toggle.
        left = Node("node", None, ax="MIN_SIDE", size=(44, 0), children=[
            Node("node", "padding", children=[self.fill("tab_off")]),
            self.back_button(),
        ])
        right = [
            self.header_button("standart", "open", width=40, ax="MAX_SIDE", bmax=(58, 0)),
            Node("multinode", "edit_mode", ax="MAX_SIDE", size=(58, 0), children=[
                self.header_button("view_state", "edit", "skinEdit", width=58),
                self.header_button("edit_state", "done", "skinDone", width=58),
            ]),
        ]
        return self.form("ContactForm", "skinContact", left, [
            Node("vlist", "List", bmin=(0, 38), children=[self.fill("list_bg")]),
        ], right, right_width=98)

    def row_states(self):
        return [self.fill("row", "#vlist_normal"),
                self.fill("row_pressed", "#vlist_pressed"),
                self.fill("row_selected", "#vlist_selected")]

    def plain_button(self, id_, children, pressed="row_pressed", **props):
        """A button with nothing under its face until it is pressed."""
        return Node("button", id_, children=[
            Node("node", "#normal"),
            self.fill(pressed, "#pressed")] + children, **props)

    def contact_head(self):
        # The names sit right of the photo; edit_header lies under them (the texts take no
        # touches), so a tap anywhere on the names edits them.
        return Node("node", "ContactHead", size=(0, 100), children=[
            self.fill("row"),
            self.plain_button("edit_header", [
                self.icon("edit_row", ax="MAX_SIDE", bmax=(12, 0))], bmin=(86, 0)),
            Node("image", "photo", ax="MIN_SIDE", ay="MIN_SIDE", bmin=(12, 10), size=(64, 64),
                 src=self.pic("photo"), save_aspect_ratio=1),
            # Wider than the photo: "Add photo" is longer in some languages.
            Node("button", "button_choose_photo", ax="MIN_SIDE", ay="MIN_SIDE", bmin=(4, 76),
                 size=(124, 22), children=[
                     Node("node", "#normal"),
                     self.fill("row_pressed", "#pressed"),
                     self.text("#text", 8, "link", "AddPhoto", bold=1, bmin=(8, 0),
                               halign="LEFT", ellipsis=1)]),
            Node("button", "button_remove_photo", ax="MIN_SIDE", ay="MIN_SIDE", bmin=(62, 0),
                 size=(28, 28), children=[
                     Node("node", "#normal"),
                     Node("node", "#pressed"),
                     self.icon("remove_photo")]),
            self.text("firstname", 12, "row_text", bold=1, ay="MIN_SIDE", bmin=(90, 12),
                      bmax=(44, 0), size=(0, 20), halign="LEFT", ellipsis=1),
            self.text("lastname", 12, "row_text", bold=1, ay="MIN_SIDE", bmin=(90, 32),
                      bmax=(44, 0), size=(0, 20), halign="LEFT", ellipsis=1),
            self.text("company", 9, "row_small", ay="MIN_SIDE", bmin=(90, 54), bmax=(44, 0),
                      size=(0, 16), halign="LEFT", ellipsis=1),
        ])

    def group_separator(self):
        return Node("node", "GroupSeparatorElement", size=(0, 14), children=[
            self.fill("list_bg"),
            self.fill("line", "rule", ay="MIN_SIDE", size=(0, 1)),
            self.fill("line", "rule2", ay="MAX_SIDE", size=(0, 1)),
        ])

    def separator(self):
        return Node("node", "SeparatorElement", size=(0, 1), children=[
            self.fill("row"),
            self.fill("line", "rule", bmin=(40, 0)),
        ])

    def kind_icons(self, **props):
        """The eight kinds of field as the states of one multinode."""
        return Node("multinode", "icons", ax="MIN_SIDE", size=(40, 0), children=[
            self.icon("field_" + kind)
            for kind in ("mobile", "tel", "mail", "web", "address", "categories", "birthday",
                         "other")], **props)

    def row_icon_button(self, id_, icon, **props):
        return self.plain_button(id_, [self.icon(icon)], size=(32, 0), **props)

    def contact_field(self):
        # action lies under everything else and covers the row; the texts take no touches,
        # so a tap on them is the row's. The rest sit in a table, so the value has the room
        # of the buttons the card hides (sms and favorite show on phone rows only). remove
        # takes the place of the kind icon while the card edits; confirm_remove comes in over
        # the row's right end.
        return Node("node", "ContactFieldElement", size=(0, 48), children=self.row_states() + [
            self.plain_button("action", []),
            Node("htable", "cells", children=[
                Node("node", "kind", size=(40, 0), children=[
                    self.kind_icons(anim="scale"),
                    self.plain_button("remove", [self.icon("remove")], anim="scale"),
                ]),
                Node("node", "texts", ratio=1, children=[
                    self.text("big", 10, "row_text", ay="MIN_SIDE", bmin=(0, 6), bmax=(2, 0),
                              size=(0, 20), halign="LEFT", valign="BOTTOM", ellipsis=1),
                    self.text("small", 8, "row_small", ay="MIN_SIDE", bmin=(0, 27),
                              bmax=(2, 0), size=(0, 14), halign="LEFT", valign="TOP",
                              ellipsis=1),
                ]),
                self.row_icon_button("sms", "sms", anim="scale"),
                Node("multinode", "favorite", size=(34, 0), anim="scale", children=[
                    self.plain_button("star_off", [self.icon("star_off")]),
                    self.plain_button("star_on", [self.icon("star_on")]),
                ]),
            ]),
            Node("button", "confirm_remove", ax="MAX_SIDE", size=(84, 0), anim="right",
                 children=[
                     self.fill("danger", "#normal"),
                     self.fill("danger_pressed", "#pressed"),
                     self.text("#text", 10, "danger_text", "skinDelete", bold=1,
                               ellipsis=1)]),
        ])

    def contact_field_buttons(self):
        def button(id_, color, text, icon):
            return self.plain_button(id_, [
                self.icon(icon, ax="MIN_SIDE", bmin=(14, 0)) if icon else None,
                self.text("#text", 11, color, text, bold=1, bmin=(48, 0), bmax=(12, 0),
                          halign="LEFT", ellipsis=1),
            ], ay="MIN_SIDE", size=(0, 44))
        return Node("node", "ContactFieldButtons", size=(0, 89), children=[
            self.fill("row"),
            button("new_field", "link", "NewField", "plus"),
            self.fill("line", "rule", ay="MIN_SIDE", bmin=(48, 44), size=(0, 1)),
            Node("node", None, ay="MIN_SIDE", bmin=(0, 45), size=(0, 44), children=[
                button("delete_contact", "danger_link", "DeleteContact", None)]),
        ])

    def label_edit(self, id_, placeholder, capitalize):
        """An edit field on a row of its own, its placeholder in the same place."""
        return Node("label_edit", id_, size=(0, 44),
                    text=placeholder, children=[
            self.fill("edit_bg"),
            Node("edit", "#edit", bmin=(14, 0), bmax=(40, 0), font=font(12),
                 color=self.p["edit_text"], background_color=self.p["edit_bg"], halign="LEFT",
                 capitalize=capitalize),
            self.text("#text", 12, "placeholder", bmin=(14, 0), bmax=(40, 0), halign="LEFT",
                      ellipsis=1),
            self.plain_button("clear", [self.icon("clear")], pressed="edit_bg", ax="MAX_SIDE",
                              size=(40, 0)),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(14, 0), size=(0, 1)),
        ])

    def edit_form(self, name, caption, fields, capitalize=1):
        # The fields stack under the header in a table, which shrinks them all alike (and
        # the gap above them) when five do not fit, as in landscape.
        return self.form(name, caption, self.done_button(), [
            Node("vtable", "fields", bmin=(0, 38), children=[
                Node("node", "gap", size=(0, 12), children=[
                    self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1))]),
            ] + [self.label_edit(id_, text, capitalize) for id_, text in fields]),
        ])

    def spinner(self, id_, width):
        # The value at rest sits on the band across the middle.
        return Node("spinner", id_, size=(width, 0), ratio=1, element_size=(0, 36),
                    bmin=(2, 0), bmax=(2, 0), children=[
            self.fill("spin_bg"),
            self.fill("spin_band", "band", ay="CENTER", size=(0, 36)),
        ])

    def edit_date_form(self):
        # Two rows of spinners share what is left under the header, so they keep a usable
        # height in landscape too.
        return self.form("EditDateForm", "Birthday", self.done_button(), [
            Node("vtable", "date", bmin=(8, 46), bmax=(8, 8), children=[
                Node("htable", "day_month_year", ratio=1, size=(0, 60), children=[
                    self.spinner("day", 40), self.spinner("month", 112),
                    self.spinner("year", 56)]),
                Node("node", None, size=(0, 8)),
                Node("htable", "hour_minute", ratio=1, size=(0, 60), children=[
                    Node("node", None, ratio=1),
                    self.spinner("hour", 56),
                    self.text("colon", 16, "spin_text", ":", bold=1, size=(12, 0)),
                    self.spinner("minute", 56),
                    Node("node", None, ratio=1)]),
            ]),
        ])

    def spinner_row(self):
        return Node("node", "SpinnerElementDate", size=(0, 36), children=[
            self.text("#text", 13, "spin_text", bold=1, ellipsis=1),
        ])

    def select_field_form(self):
        return self.form("SelectFieldForm", "skinAddField", self.back_button(), [
            Node("vlist", "List", bmin=(0, 38), children=[self.fill("list_bg")]),
        ])

    def select_field_row(self):
        return Node("node", "SelectFieldFormElement", size=(0, 44), children=self.row_states() + [
            self.plain_button("action", []),
            self.kind_icons(),
            self.text("big", 11, "row_text", bmin=(40, 0), bmax=(12, 0), halign="LEFT",
                      ellipsis=1),
        ])

    def edit_categories_form(self):
        right = [self.header_button("add_category", "plus_header", ax="MAX_SIDE")]
        return self.form("EditCategoriesForm", "Categories", self.done_button(), [
            Node("vlist", "catList", bmin=(0, 38), children=[self.fill("list_bg")]),
        ], right, right_width=44)

    def category_row(self):
        return Node("node", "CategoryElement", size=(0, 44), children=self.row_states() + [
            self.text("cat_name", 11, "row_text", bmin=(16, 0), bmax=(44, 0), halign="LEFT",
                      ellipsis=1),
            self.icon("check", "checked", ax="MAX_SIDE", bmax=(14, 0)),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(16, 0), size=(0, 1)),
        ])

    # Favourites.

    def empty_hint(self, text, row_height):
        """A list's own text for when it has no rows. The list draws its own children only
        beside its rows, and the text lies within the first row's height, so one row hides
        it."""
        return self.text("empty", 9, "hint_empty", text, ay="MIN_SIDE", bmin=(20, 4),
                         bmax=(20, 0), size=(0, row_height - 6), wrap=1, ellipsis=1)

    def favorites_container(self):
        return Node("node", "FavoritesContainer", bmin=(0, 38), children=[
            Node("vlist", "FavoritesList", children=[
                self.fill("list_bg"),
                self.empty_hint("skinNoFavorites", 56),
            ]),
        ])

    def favorites_grid_container(self):
        return Node("node", "FavoritesContainer2", bmin=(0, 38), children=[
            Node("vlist", "FavoritesList2", children=[
                self.fill("list_bg"),
                self.empty_hint("skinNoFavorites", 56),
            ]),
        ])

    def frame_photo(self, picture, size, **props):
        # Keyed at level 0: the frame's corners stay out and its rim is drawn as it is, also
        # over a contact's photo put through it.
        return Node("image", "photo", src=self.pic(picture), alpha=0, size=(size, size),
                    **props)

    def favorites_row(self):
        # A tap on the row calls; btnFav at the right end opens the contact.
        return Node("node", "FavoritesListElement", size=(0, 56), children=self.row_states() + [
            self.frame_photo("frame_list", 40, ax="MIN_SIDE", ay="CENTER", bmin=(10, 0)),
            self.text("big", 11, "row_text", bold=1, ay="MIN_SIDE", bmin=(60, 9), bmax=(48, 0),
                      size=(0, 20), halign="LEFT", valign="BOTTOM", ellipsis=1),
            self.text("small", 9, "row_small", ay="MIN_SIDE", bmin=(60, 29), bmax=(48, 0),
                      size=(0, 16), halign="LEFT", valign="TOP", ellipsis=1),
            self.plain_button("btnFav", [self.icon("details")], ax="MAX_SIDE", size=(44, 0)),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(60, 0), size=(0, 1)),
        ])

    def favorites_grid_row(self):
        # The screen places its tiles in this row side by side; the ground shows where a row
        # has fewer tiles than room.
        return Node("node", "FavoritesListElement2", size=(0, 100), children=[
            self.fill("list_bg", "#background"),
        ])

    def favorites_tile(self):
        # As wide as the screen allows several of (it is stretched to its share of the row),
        # and as high as the row. btnContact covers the tile and calls; btnFav, over the
        # photo's corner, opens the contact. The texts take no touches.
        return Node("node", "FavoritesItem", size=(76, 100), children=[
            Node("button", "btnContact", children=[
                self.rounded("tile", "#normal", bmin=(3, 3), bmax=(3, 3)),
                self.rounded("tile_pressed", "#pressed", bmin=(3, 3), bmax=(3, 3)),
            ]),
            self.frame_photo("frame_tile", 48, ax="CENTER", ay="MIN_SIDE", bmin=(0, 9)),
            self.text("text1", 8, "row_text", bold=1, ay="MIN_SIDE", bmin=(6, 60), bmax=(6, 0),
                      size=(0, 16), ellipsis=1),
            self.text("text2", 7, "row_small", ay="MIN_SIDE", bmin=(6, 76), bmax=(6, 0),
                      size=(0, 14), ellipsis=1),
            self.plain_button("btnFav", [self.icon("details")], pressed="tile_pressed",
                              ax="MAX_SIDE", ay="MIN_SIDE", bmin=(0, 3), bmax=(3, 0),
                              size=(26, 26)),
        ])

    # Recents.

    def direction(self, clickable):
        """The three directions of a call, in their numbering: incoming, missed, outgoing.
        Clickable ones are buttons (a tap on one is the multinode's click); the others are
        pictures, so a tap on them is the row's."""
        icons = ("dir_in", "dir_missed", "dir_out")
        if clickable:
            states = [self.plain_button("#" + icon, [self.icon(icon)]) for icon in icons]
        else:
            states = [self.icon(icon, "#" + icon) for icon in icons]
        return Node("multinode", "direction", ax="MIN_SIDE", size=(36, 0), children=states)

    def recents_container(self):
        return Node("node", "RecentsContainer", bmin=(0, 38), children=[
            Node("vlist", "RecentsList", children=[
                self.fill("list_bg"),
                self.empty_hint("skinNoRecents", 48),
            ]),
        ])

    def recents_row(self):
        # Two lines between the direction (left, opens the number's menu) and btnRecents
        # (right, the history of the contact or number): the name with the count right after
        # it and the time at the end; the number's kind and the call's length. Tables, so
        # the name has all the room the other texts leave.
        line = lambda id_, y, h, children: Node("htable", id_, ay="MIN_SIDE", bmin=(36, y),
                                                bmax=(44, 0), size=(0, h), children=children)
        small = lambda id_: self.text(id_, 8, "row_small", grow=1, grow_min=1, halign="RIGHT")
        return Node("node", "RecentsListElement", size=(0, 48), children=self.row_states() + [
            self.direction(True),
            line("first_line", 5, 22, [
                self.text("firstlast", 11, "row_text", bold=1, grow=1, halign="LEFT",
                          ellipsis=1),
                self.text("count", 11, "row_small", grow=1, grow_min=1, halign="LEFT"),
                Node("node", None, ratio=1, size=(8, 0)),
                small("datetime"),
            ]),
            line("second_line", 27, 16, [
                self.text("phone", 9, "row_small", grow=1, halign="LEFT", ellipsis=1),
                Node("node", None, ratio=1, size=(8, 0)),
                small("duration"),
            ]),
            self.plain_button("btnRecents", [self.icon("history")], ax="MAX_SIDE",
                              size=(40, 0)),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(36, 0), size=(0, 1)),
        ])

    def contact_recents_form(self):
        # Like the card: padding takes cancel's place while rows are being deleted, so the
        # caption stays put; edit_mode's first state opens the form's menu (filter, delete),
        # its second stands while the menu or the deleting lasts, and ends the deleting.
        left = Node("node", None, ax="MIN_SIDE", size=(44, 0), children=[
            Node("node", "padding", children=[self.fill("tab_off")]),
            self.back_button(),
        ])
        right = [
            Node("multinode", "edit_mode", ax="MAX_SIDE", size=(58, 0), children=[
                self.header_button("view_state", "menu_header", "MainMenu", width=58),
                self.header_button("edit_state", "done", "skinDone", width=58),
            ]),
        ]
        return self.form("ContactRecentsForm", "skinCallHistory", left, [
            Node("vlist", "List", bmin=(0, 38), children=[self.fill("list_bg")]),
        ], right, right_width=58)

    def simple_contact_head(self):
        return Node("node", "SimpleContactHead", size=(0, 84), children=[
            self.fill("row"),
            Node("image", "photo", ax="MIN_SIDE", ay="MIN_SIDE", bmin=(12, 10), size=(64, 64),
                 src=self.pic("photo"), save_aspect_ratio=1),
            self.text("firstname", 12, "row_text", bold=1, ay="MIN_SIDE", bmin=(90, 12),
                      bmax=(12, 0), size=(0, 20), halign="LEFT", ellipsis=1),
            self.text("lastname", 12, "row_text", bold=1, ay="MIN_SIDE", bmin=(90, 32),
                      bmax=(12, 0), size=(0, 20), halign="LEFT", ellipsis=1),
            self.text("company", 9, "row_small", ay="MIN_SIDE", bmin=(90, 54), bmax=(12, 0),
                      size=(0, 16), halign="LEFT", ellipsis=1),
            self.fill("line", "rule", ay="MAX_SIDE", size=(0, 1)),
        ])

    def simple_recents_row(self):
        return Node("node", "SimpleRecentsListElement", size=(0, 48),
                    children=self.row_states() + [
            self.direction(False),
            self.text("phone", 11, "row_text", bold=1, ay="MIN_SIDE", bmin=(40, 6),
                      bmax=(44, 0), size=(0, 20), halign="LEFT", valign="BOTTOM", ellipsis=1),
            self.text("call_info", 8, "row_small", ay="MIN_SIDE", bmin=(40, 27), bmax=(44, 0),
                      size=(0, 14), halign="LEFT", valign="TOP", ellipsis=1),
            self.plain_button("remove", [self.icon("remove")], ax="MAX_SIDE", size=(44, 0),
                              anim="scale"),
            self.fill("line", "rule", ay="MAX_SIDE", bmin=(40, 0), size=(0, 1)),
        ])

    # The call screen.

    def call_toggle(self, id_, icon, caption, switch=None):
        """A round toggle with its caption under it. switch (name, on) is the child that code
        shows and hides: drawn over the button's own face, the same size, with the ground
        behind it so the face never shows at its edge."""
        face = lambda on: [self.icon("toggle_on" if on else "toggle"),
                           self.icon(icon + ("_on" if on else ""))]
        place = dict(ax="CENTER", ay="MIN_SIDE", bmin=(0, 1), size=(32, 32))
        children = [Node("node", "#normal"),
                    Node("node", "face", children=face(switch is not None and not switch[1]),
                         **place)]
        if switch is not None:
            children.append(Node("node", switch[0], children=[self.fill("call_bg")]
                                 + face(switch[1]), **place))
        children += [
            self.text("#text", 8, "call_text_dim", caption, ay="MAX_SIDE", size=(0, 12),
                      ellipsis=1),
            # Over everything, so a press shows on a switched-on face as well.
            Node("image", "#pressed", src=self.pic("veil", 0, 0, 6, 6, 8, 8, 14, 14),
                 alpha=192, bmin=(4, 0), bmax=(4, 0)),
        ]
        return Node("button", id_, ratio=1, size=(64, 0), children=children)

    def call_button(self, id_, color, icon, caption, **props):
        # The icon and the caption centred together, the caption as long as it is.
        return Node("button", id_, children=[
            self.rounded(color, "#normal"),
            self.rounded(color + "_pressed", "#pressed"),
            Node("htable", None, bmin=(8, 0), bmax=(8, 0), children=[
                Node("node", None, ratio=1),
                Node("node", None, size=(28, 0), children=[self.icon(icon)]),
                self.text("#text", 11, "call_icon", caption, bold=1, grow=1, ellipsis=1),
                Node("node", None, ratio=1),
            ]),
        ], **props)

    def call_form(self):
        # One column: the caller over the toggles over the call buttons. The photo takes what
        # the column leaves, so a low landscape screen keeps every control at its size and
        # only the picture shrinks. The keypad comes up over the caller and the toggles.
        caller = Node("vtable", "caller", ratio=1, bmin=(8, 4), bmax=(8, 2), children=[
            self.text("txtStatus", 9, "call_text_dim", size=(0, 16), ellipsis=1),
            Node("node", "picture", ratio=1, children=[
                Node("image", "photo", ax="CENTER", size=(80, 0), src=self.pic("photo_call"),
                     save_aspect_ratio=1, bmin=(0, 2), bmax=(0, 2)),
            ]),
            Node("htable", "names", size=(0, 24), children=[
                Node("node", None, ratio=1),
                self.text("firstname", 14, "call_text", bold=1, grow=1, ellipsis=1),
                Node("node", None, size=(5, 0)),
                self.text("lastname", 14, "call_text", bold=1, grow=1, ellipsis=1),
                Node("node", None, ratio=1),
            ]),
            # Shows the number, or the unknown caller's placeholder.
            self.text("company", 10, "call_text_dim", size=(0, 16), ellipsis=1),
        ])
        toggles = Node("vtable", "toggles", ax="CENTER", size=(240, 0), bmin=(0, 2),
                       bmax=(0, 2), children=[
            Node("htable", None, size=(0, 46), children=[
                self.call_toggle("buttonMute", "mute", "skinMute", ("switchMute", False)),
                self.call_toggle("buttonKeyboard", "dialpad", "skinKeypad"),
                self.call_toggle("buttonSpeaker", "speaker", "skinSpeaker",
                                 ("switchSpeaker", True)),
            ]),
            Node("node", None, size=(0, 2)),
            Node("htable", None, size=(0, 46), children=[
                self.call_toggle("buttonHold", "hold", "skinHold", ("switchHold", True)),
                self.call_toggle("buttonContacts", "to_contacts", "skinContacts"),
                self.call_toggle("buttonNote", "note", "skinNote"),
            ]),
        ])
        # Answer and ignore share the band while a call rings; end call has it to itself.
        inset = dict(bmin=(0, 5), bmax=(0, 5))
        band = Node("node", "call_buttons", size=(0, CALL_BAND), children=[
            Node("htable", "ringing", ax="CENTER", size=(232, 0), children=[
                self.call_button("buttonAnswer", "answer", "call", "skinAnswer", ratio=1,
                                 size=(100, 0), **inset),
                Node("node", None, size=(10, 0)),
                self.call_button("buttonIgnore", "end", "end", "skinIgnore", ratio=1,
                                 size=(100, 0), **inset),
            ], bmin=(4, 0), bmax=(4, 0)),
            self.call_button("buttonEndCall", "end", "end", "skinEndCall", ax="CENTER",
                             size=(232, 0), bmin=(4, 5), bmax=(4, 5)),
        ])
        return Node("node", "CallForm", size=(240, 320), anim="bottom", children=[
            self.fill("call_bg", "#background"),
            Node("vtable", "column", children=[caller, toggles, band]),
            self.keyboard(call=True),
        ])

    def definitions(self):
        """(file, name, node, comment) for every definition of the skin."""
        return [
            ("main", "Main", self.main(),
             "The main screen: tabs on top, the contact list with its ruler, the keypad button\n"
             "and the keypad. Tabs are multinodes whose children are the tab's states."),
            ("contacts", "ContactSelectorForm", self.contact_selector_form(),
             "The contact chooser: the list under a header with a back button."),
            ("contacts", "ContactsListElement", self.row(),
             "One contact row: the name on top, the company (or the name) below."),
            ("contacts", "ContactsListElementSecondText", self.second_text(),
             "The second name on a row's first line."),
            ("contacts", "ContactsListElementFilteredText", self.filtered_text(),
             "The part of a name that matches the typed filter, in its line's own font."),
            ("contacts", "AlphabetRulerText", self.ruler_letter(),
             "One letter of the alphabet ruler."),
            ("menu", "Menu", self.menu(),
             "Menus come up from the bottom edge with a caption over their rows."),
            ("menu", "MenuElement", self.menu_row("MenuElement", "menu_bg", "menu_text"),
             "A menu row."),
            ("menu", "MenuElementDisabled",
             self.menu_row("MenuElementDisabled", "menu_bg", "menu_disabled"),
             "A menu row that cannot be chosen."),
            ("menu", "MenuElementRed", self.menu_row("MenuElementRed", "menu_red", "menu_red_text",
                                                     bold=1),
             "A menu row for a command that destroys data."),
            ("menu", "MenuElementRedDisabled",
             self.menu_row("MenuElementRedDisabled", "menu_bg", "menu_disabled"),
             "A destructive row that cannot be chosen."),
            ("menu", "MenuElement4Buttons", self.menu_four_buttons("MenuElement4Buttons"),
             "The row of window buttons at the top of the main menu."),
            ("card", "ContactForm", self.contact_form(),
             "The contact card: a header with the way back, the platform's own view of the\n"
             "contact and the edit toggle, over the list of the contact's rows."),
            ("card", "ContactHead", self.contact_head(),
             "The card's first row: photo and names, with their edit buttons."),
            ("card", "ContactFieldElement", self.contact_field(),
             "One field of the card: its value over its name, the kind's icon, and the\n"
             "buttons the card shows by mode and kind."),
            ("card", "ContactFieldButtons", self.contact_field_buttons(),
             "The card's last row while it edits."),
            ("card", "GroupSeparatorElement", self.group_separator(),
             "The gap between two groups of rows."),
            ("card", "SeparatorElement", self.separator(),
             "The rule between two rows of one group."),
            ("editors", "EditContactHeaderForm",
             self.edit_form("EditContactHeaderForm", "skinEditName", [
                 ("label_edit_firstname", "skinFirstName"),
                 ("label_edit_lastname", "skinLastName"),
                 ("label_edit_company", "skinCompany")]),
             "The names of a contact."),
            ("editors", "EditContactAddressForm",
             self.edit_form("EditContactAddressForm", "skinEditAddress", [
                 ("label_edit_street", "skinStreet"),
                 ("label_edit_city", "skinCity"),
                 ("label_edit_zip", "skinPostalCode"),
                 ("label_edit_state", "skinState"),
                 ("label_edit_country", "skinCountry")]),
             "The five parts of an address."),
            ("editors", "EditFieldForm",
             self.edit_form("EditFieldForm", "skinEditField", [("label_edit", "skinValue")],
                            capitalize=0),
             "One value of a contact; the caption names the field. Numbers, addresses and\n"
             "pages are typed as they are, without automatic capitals."),
            ("editors", "EditDateForm", self.edit_date_form(),
             "A date and time on five spinners."),
            ("editors", "SpinnerElementDate", self.spinner_row(),
             "One value of a date spinner."),
            ("editors", "SelectFieldForm", self.select_field_form(),
             "The kinds of field a contact can be given."),
            ("editors", "SelectFieldFormElement", self.select_field_row(),
             "One kind of field."),
            ("editors", "EditCategoriesForm", self.edit_categories_form(),
             "The categories a contact belongs to, and a way to add one."),
            ("editors", "CategoryElement", self.category_row(),
             "One category, ticked when the contact is in it."),
            ("menu", "MenuElement4ButtonsDisabled",
             self.menu_four_buttons("MenuElement4ButtonsDisabled"),
             "The same row when it is listed as disabled."),
            ("favorites", "FavoritesListElement", self.favorites_row(),
             "One favourite in the list: the framed photo, the name over the number, and the\n"
             "way to the contact."),
            ("favorites", "FavoritesListElement2", self.favorites_grid_row(),
             "One row of the favourites grid, which the screen fills with tiles."),
            ("favorites", "FavoritesItem", self.favorites_tile(),
             "One favourite of the grid: a tile that calls, with the way to the contact in\n"
             "its corner."),
            ("recents", "RecentsListElement", self.recents_row(),
             "One row of the call log: calls to or from one number on one day, one way."),
            ("recents", "ContactRecentsForm", self.contact_recents_form(),
             "The calls of one contact or one number, with a menu to filter and delete them."),
            ("recents", "SimpleContactHead", self.simple_contact_head(),
             "The history's first row: whose calls these are."),
            ("recents", "SimpleRecentsListElement", self.simple_recents_row(),
             "One call of the history, with its remove button while deleting."),
            ("call", "CallForm", self.call_form(),
             "The call screen: the caller, the toggles and the call buttons, and a keypad for\n"
             "touch tones."),
        ]


HEADER = """\
# Written by scripts/make-skins.py at build time from one layout and the "{name}" palette.
# Edit the script, not this file.

"""


def skin_files(name, palette):
    """{file name: text} of one skin's sources."""
    files = {}
    for file, definition, node, comment in Skin(name, palette).definitions():
        files.setdefault("%s.vskin" % file, []).append(define(definition, node, comment))
    return {file: HEADER.format(name=name) + "\n".join(parts) for file, parts in files.items()}


def main():
    if len(sys.argv) == 2 and sys.argv[1] == "--list":
        for name, palette in PALETTES.items():
            for file in skin_files(name, palette):
                print("%s/%s" % (name, file))
        return
    if len(sys.argv) != 3 or sys.argv[1] != "--out":
        sys.exit("usage: make-skins.py --out DIR | --list")
    for name, palette in PALETTES.items():
        folder = os.path.join(sys.argv[2], name)
        os.makedirs(folder, exist_ok=True)
        for file, text in skin_files(name, palette).items():
            with open(os.path.join(folder, file), "w", encoding="utf-8") as out:
                out.write(text)


if __name__ == "__main__":
    main()
