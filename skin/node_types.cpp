#include "skin/node_types.h"

#include "skin/button_node.h"
#include "skin/clip_node.h"
#include "skin/color_node.h"
#include "skin/edit_node.h"
#include "skin/htable.h"
#include "skin/image_node.h"
#include "skin/label_edit_node.h"
#include "skin/multinode.h"
#include "skin/node.h"
#include "skin/richtext_node.h"
#include "skin/text_node.h"
#include "skin/progress_node.h"
#include "skin/vlist.h"
#include "skin/vtable.h"

namespace zentra {

namespace {

constexpr NodeType kNodeTypes[] = {
    {u"node", create_node<Node>},
    {u"color", create_node<ColorNode>},
    {u"image", create_node<ImageNode>},
    {u"htable", create_node<HTable>},
    {u"vtable", create_node<VTable>},
    {u"clip", create_node<ClipNode>},
    {u"text", create_node<TextNode>},
    {u"richtext", create_node<RichTextNode>},
    {u"vlist", create_node<VList>},
    {u"button", create_node<ButtonNode>},
    {u"multinode", create_node<MultiNode>},
    {u"progress", create_node<ProgressNode>},
    {u"edit", create_node<EditNode>},
    {u"label_edit", create_node<LabelEditNode>},
};

}  // namespace

std::span<const NodeType> node_types() {
    return kNodeTypes;
}

void register_node_types() {
    for (const NodeType& type : kNodeTypes) {
        NodeFactory::register_type(type.name, type.creator);
    }
}

void unregister_node_types() {
    for (const NodeType& type : kNodeTypes) {
        NodeFactory::unregister_type(type.name);
    }
}

}  // namespace zentra
