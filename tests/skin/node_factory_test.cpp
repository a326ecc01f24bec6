#include "skin/node_factory.h"

#include <gtest/gtest.h>

#include "skin/node.h"

namespace {

using zentra::Node;
using zentra::NodeFactory;

class Marked : public Node {};

TEST(NodeFactory, CreatesRegisteredTypesAndRefusesEverythingElse) {
    NodeFactory::register_type(u"marked", zentra::create_node<Marked>);
    auto first = NodeFactory::create(u"marked");
    auto second = NodeFactory::create(u"marked");
    EXPECT_NE(dynamic_cast<Marked*>(first.get()), nullptr);
    EXPECT_NE(first.get(), second.get());

    try {
        NodeFactory::register_type(u"marked", zentra::create_node<Node>);
        FAIL() << "second registration accepted";
    } catch (const zentra::NodeAlreadyRegistered& e) {
        EXPECT_EQ(e.type, u"marked");
    }
    // The refused registration left the first creator in place.
    EXPECT_NE(dynamic_cast<Marked*>(NodeFactory::create(u"marked").get()), nullptr);

    NodeFactory::unregister_type(u"marked");
    NodeFactory::unregister_type(u"marked");  // absent: no error
    for (const char16_t* type : {u"marked", u"", u"Marked"}) {
        try {
            NodeFactory::create(type);
            FAIL() << "created an unregistered type";
        } catch (const zentra::NodeNotRegistered& e) {
            EXPECT_EQ(e.type, type);
        }
    }
    // Unregistered names can be registered again.
    NodeFactory::register_type(u"marked", zentra::create_node<Node>);
    EXPECT_TRUE(NodeFactory::is_registered(u"marked"));
    NodeFactory::unregister_type(u"marked");
    EXPECT_FALSE(NodeFactory::is_registered(u"marked"));
}

}  // namespace
