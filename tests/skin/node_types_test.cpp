// The table of node types the application registers.

#include "skin/node_types.h"

#include <gtest/gtest.h>

#include "skin/clip_node.h"
#include "skin/color_node.h"
#include "skin/htable.h"
#include "skin/image_node.h"
#include "skin/vtable.h"

namespace {

using zentra::NodeFactory;

template <typename T>
bool creates(const char16_t* type) {
    auto node = NodeFactory::create(type);
    return dynamic_cast<T*>(node.get()) != nullptr;
}

TEST(NodeTypes, RegistersEachSkinTypeNameWithItsClassAndUnregistersThemAll) {
    zentra::register_node_types();
    EXPECT_TRUE(creates<zentra::Node>(u"node"));
    EXPECT_TRUE(creates<zentra::ColorNode>(u"color"));
    EXPECT_TRUE(creates<zentra::ImageNode>(u"image"));
    EXPECT_TRUE(creates<zentra::ClipNode>(u"clip"));
    EXPECT_TRUE(creates<zentra::HTable>(u"htable"));
    EXPECT_TRUE(creates<zentra::VTable>(u"vtable"));
    EXPECT_FALSE(creates<zentra::ColorNode>(u"node"));
    // Registering twice is the registry's error, as for any type.
    EXPECT_THROW(zentra::register_node_types(), zentra::NodeAlreadyRegistered);

    zentra::unregister_node_types();
    for (const zentra::NodeType& type : zentra::node_types()) {
        EXPECT_FALSE(NodeFactory::is_registered(type.name));
    }
    zentra::unregister_node_types();  // nothing registered: no error
}

}  // namespace
