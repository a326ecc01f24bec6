#pragma once
// Walking through screens whose places are only known from the screen itself: a script
// grows step by step, and a look plays it from the same starting data and dumps the top
// screen, so the next step can tap what that screen shows. Lists are scrolled by dragging
// to reach rows below the view.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace e2e {

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
    int bottom() const { return y + h; }
};

// One node of a dump: its depth in the tree, its name and its box; end is the index after
// its last descendant.
struct DumpNode {
    int depth = 0;
    std::string name;
    Box box;
    size_t index = 0;
    size_t end = 0;
};

class Dump {
public:
    Dump() = default;
    explicit Dump(const std::string& text) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t open = line.find('{');
            const size_t close = line.find('}', open);
            if (open == std::string::npos || close == std::string::npos) {
                continue;
            }
            DumpNode node;
            node.depth = static_cast<int>(open);
            node.name = line.substr(open + 1, close - open - 1);
            std::sscanf(line.c_str() + close + 1, " position=%d %d size=%d %d", &node.box.x,
                        &node.box.y, &node.box.w, &node.box.h);
            node.index = m_nodes.size();
            m_nodes.push_back(node);
        }
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            size_t end = i + 1;
            while (end < m_nodes.size() && m_nodes[end].depth > m_nodes[i].depth) {
                ++end;
            }
            m_nodes[i].end = end;
        }
    }

    bool empty() const { return m_nodes.empty(); }
    // The screen's root node: the name of the form on top.
    std::string top() const { return m_nodes.empty() ? std::string() : m_nodes.front().name; }
    // The nth node of that name, in tree order; an empty box when there is none.
    Box box(std::string_view name, size_t nth = 0) const {
        for (const DumpNode& node : m_nodes) {
            if (node.name == name && nth-- == 0) {
                return node.box;
            }
        }
        return {};
    }
    // Every node of that name, in tree order.
    std::vector<Box> boxes(std::string_view name) const {
        std::vector<Box> found;
        for (const DumpNode& node : m_nodes) {
            if (node.name == name) {
                found.push_back(node.box);
            }
        }
        return found;
    }
    size_t count(std::string_view name) const {
        return static_cast<size_t>(std::count_if(
            m_nodes.begin(), m_nodes.end(), [&](const DumpNode& n) { return n.name == name; }));
    }
    // Every node whose name starts with prefix, in tree order (a menu's rows).
    std::vector<Box> starting_with(std::string_view prefix) const {
        std::vector<Box> boxes;
        for (const DumpNode& node : m_nodes) {
            if (node.name.starts_with(prefix)) {
                boxes.push_back(node.box);
            }
        }
        return boxes;
    }
    // The first node of that name below the given node.
    Box within(const DumpNode& parent, std::string_view name) const {
        for (size_t i = parent.index + 1; i < parent.end; ++i) {
            if (m_nodes[i].name == name) {
                return m_nodes[i].box;
            }
        }
        return {};
    }
    // The rows a list holds now: its named children, top to bottom (a list keeps its rows in
    // the order they were made, not the order they show).
    std::vector<DumpNode> rows(std::string_view list) const {
        std::vector<DumpNode> rows;
        for (const DumpNode& node : m_nodes) {
            if (node.name != list) {
                continue;
            }
            for (size_t i = node.index + 1; i < node.end; ++i) {
                if (m_nodes[i].depth == node.depth + 1 && !m_nodes[i].name.empty()) {
                    rows.push_back(m_nodes[i]);
                }
            }
            break;
        }
        // A row that takes no room comes before the row that starts where it is.
        std::stable_sort(rows.begin(), rows.end(), [](const DumpNode& a, const DumpNode& b) {
            return a.box.y != b.box.y ? a.box.y < b.box.y : a.box.h == 0 && b.box.h > 0;
        });
        return rows;
    }
    // The names of those rows, top to bottom.
    std::vector<std::string> row_names(std::string_view list) const {
        std::vector<std::string> names;
        for (const DumpNode& row : rows(list)) {
            names.push_back(row.name);
        }
        return names;
    }

private:
    std::vector<DumpNode> m_nodes;
};

inline std::string tap(int x, int y) {
    return "tap " + std::to_string(x) + " " + std::to_string(y) + "\nwait 1\n";
}
inline std::string tap(const Box& box) {
    return tap(box.cx(), box.cy());
}

// Every node of that name in a dump file the run wrote into the home, in tree order.
inline std::vector<Box> boxes_of(const Home& home, const std::string& dump,
                                 std::string_view name) {
    return Dump(read_file(home.root() / dump)).boxes(name);
}

// A slow drag that comes to rest before it lets go, so nothing flings on.
inline std::string drag(int x, int from_y, int to_y) {
    std::string script = "press " + std::to_string(x) + " " + std::to_string(from_y) + "\n";
    const int step = to_y > from_y ? 8 : -8;
    for (int y = from_y; y != to_y;) {
        y = std::abs(to_y - y) <= 8 ? to_y : y + step;
        script += "move " + std::to_string(x) + " " + std::to_string(y) + "\nframes 1\n";
    }
    return script + "wait 0.5\nrelease " + std::to_string(x) + " " + std::to_string(to_y) +
           "\nwait 1\n";
}

// A script that grows step by step, played each time from the data the walk started with.
class Walk {
public:
    // command_line: the program's words after its options ("open:NUMBER").
    explicit Walk(Home& home, std::vector<std::string> command_line = {})
        : m_home(home), m_command_line(std::move(command_line)) {
        std::filesystem::create_directories(home.root() / "start");
        for (const char* folder : {"data", "config"}) {
            std::filesystem::copy(home.root() / folder, home.root() / "start" / folder,
                                  std::filesystem::copy_options::recursive);
        }
    }

    Walk& operator<<(std::string_view lines) {
        m_script += lines;
        return *this;
    }
    const std::string& script() const { return m_script; }

    // Plays the script so far and dumps the screen it leaves.
    Dump look() {
        const std::string name = "look" + std::to_string(++m_looks) + ".txt";
        const RunResult run = play("dump " + name + "\n");
        EXPECT_EQ(run.exit_code, 0) << run.err;
        return Dump(read_file(m_home.root() / name));
    }
    // Plays the script so far and then the last lines; the program is closed after them.
    RunResult play(std::string_view last = {}) {
        restore();
        return m_home.run_script(m_script + std::string(last) + "quit\n", {}, m_command_line);
    }

private:
    void restore() {
        for (const char* folder : {"data", "config"}) {
            std::filesystem::remove_all(m_home.root() / folder);
            std::filesystem::copy(m_home.root() / "start" / folder, m_home.root() / folder,
                                  std::filesystem::copy_options::recursive);
        }
    }

    Home& m_home;
    std::vector<std::string> m_command_line;
    std::string m_script;
    int m_looks = 0;
};

// A row name with a fixed height after a colon ("SeparatorElement:0"), or the name alone.
inline std::string row_name(const std::string& name) {
    return name.substr(0, name.find(':'));
}
inline int fixed_height(const std::string& name) {
    const size_t colon = name.find(':');
    return colon == std::string::npos ? -1 : std::stoi(name.substr(colon + 1));
}

// Taps rows of a list whose rows, top to bottom, are named `names` (each name always has the
// same height, unless a name gives its own). Where the list stands is worked out from the
// rows a dump shows; a row out of view is dragged to the middle of the view first.
class ListWalk {
public:
    ListWalk(Walk& walk, std::string list, std::vector<std::string> names)
        : m_walk(walk), m_list(std::move(list)), m_names(std::move(names)) {}

    // Taps row `index` at x and dy below the row's top (its middle when dy < 0).
    void tap_row(size_t index, int x = 240, int dy = -1) {
        ASSERT_LT(index, m_names.size());
        Dump dump = m_walk.look();
        m_view = dump.box(m_list);
        ASSERT_FALSE(m_view.empty()) << "no " << m_list << " on " << dump.top();
        learn(dump);
        // The rows seen at the end, and then at the top, tell the heights of the rest.
        for (const bool up : {true, false}) {
            if (all_known()) {
                break;
            }
            for (int i = 0; i < 3; ++i) {
                m_walk << (up ? drag(x, m_view.bottom() - 20, m_view.y + 20)
                              : drag(x, m_view.y + 20, m_view.bottom() - 20));
            }
            dump = m_walk.look();
            learn(dump);
        }
        ASSERT_TRUE(all_known()) << "rows of " << m_list << " never seen: " << describe(dump);
        int scroll = 0;
        ASSERT_TRUE(locate(dump, scroll)) << describe(dump);
        const int height = m_heights.at(m_names[index]);
        const int top = offset(index);
        if (top - scroll < 0 || top - scroll + height > m_view.h) {
            const int end = std::max(0, offset(m_names.size()) - m_view.h);
            const int wanted = std::clamp(top - (m_view.h - height) / 2, 0, end);
            for (int left = wanted - scroll; left != 0;) {
                const int part = std::clamp(left, -(m_view.h - 80), m_view.h - 80);
                const int from = part > 0 ? m_view.bottom() - 40 : m_view.y + 40;
                m_walk << drag(x, from, from - part);
                left -= part;
            }
            dump = m_walk.look();
            ASSERT_TRUE(locate(dump, scroll, wanted)) << describe(dump);
            ASSERT_EQ(scroll, wanted) << m_list << " did not follow the drag";
        }
        m_walk << tap(x, m_view.y + top - scroll + (dy < 0 ? height / 2 : dy));
    }

private:
    std::string describe(const Dump& dump) const {
        std::string text = m_list + " on " + dump.top() + " shows";
        for (const DumpNode& row : dump.rows(m_list)) {
            text += " " + row.name + "@" + std::to_string(row.box.y);
        }
        text += "; expected";
        for (const std::string& name : m_names) {
            text += " " + name;
        }
        return text;
    }
    void learn(const Dump& dump) {
        for (const DumpNode& row : dump.rows(m_list)) {
            // Rows of fixed height say nothing about the others of their name.
            const bool fixed = std::any_of(m_names.begin(), m_names.end(), [&](const auto& n) {
                return row_name(n) == row.name && fixed_height(n) == row.box.h;
            });
            if (!fixed) {
                m_heights[row.name] = row.box.h;
            }
        }
        for (const std::string& name : m_names) {
            if (fixed_height(name) >= 0) {
                m_heights[name] = fixed_height(name);
            }
        }
    }
    bool all_known() const {
        return std::all_of(m_names.begin(), m_names.end(),
                           [&](const std::string& name) { return m_heights.count(name) > 0; });
    }
    // The top of row index, from the top of the first row.
    int offset(size_t index) const {
        int top = 0;
        for (size_t i = 0; i < index; ++i) {
            top += m_heights.at(m_names[i]);
        }
        return top;
    }
    // How far the list is scrolled: the rows shown must be a run of the names at their
    // places, taken nearest to the hint.
    bool locate(const Dump& dump, int& scroll, int hint = 0) const {
        const std::vector<DumpNode> rows = dump.rows(m_list);
        if (rows.empty()) {
            return false;
        }
        bool found = false;
        int best = 0;
        for (size_t first = 0; first + rows.size() <= m_names.size(); ++first) {
            const int at = offset(first) - (rows.front().box.y - m_view.y);
            bool fits = true;
            for (size_t i = 0; i < rows.size() && fits; ++i) {
                fits = rows[i].name == row_name(m_names[first + i]) &&
                       rows[i].box.y == m_view.y + offset(first + i) - at;
            }
            // Rows that repeat fit at several places: the one nearest the hint counts.
            if (fits && (!found || std::abs(at - hint) < std::abs(best - hint))) {
                best = at;
                found = true;
            }
        }
        scroll = best;
        return found;
    }

    Walk& m_walk;
    std::string m_list;
    std::vector<std::string> m_names;
    std::map<std::string, int> m_heights;
    Box m_view;
};

}  // namespace e2e
