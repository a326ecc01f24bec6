#pragma once
// `image`: a skin picture drawn as a nine-patch over the node, or fitted with its aspect
// ratio; plain, translucent at a keyed level (`alpha`) or through a mask picture (`mask`).

#include <memory>
#include <optional>

#include "skin/image_ref.h"
#include "skin/node.h"

namespace zentra {

class Blender;

class ImageNode : public Node {
public:
    ImageNode();
    ~ImageNode() override;

    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;
    void measure_width(MeasuredSize& size) override;
    void measure_height(MeasuredSize& size) override;

    const ImageRef& source() const { return m_source; }
    // Shows another picture (photos, icons). The blender is chosen again, since whether the
    // mask fits depends on the source.
    void set_source(ImageRef source);
    const ImageRef& mask() const { return m_mask; }
    // The `alpha` value read from the skin, when there was one.
    std::optional<int> alpha() const { return m_alpha; }
    bool grow() const { return m_grow; }
    bool save_aspect_ratio() const { return m_save_aspect_ratio; }
    // How the picture is combined with what is below; null means a plain copy.
    const Blender* blender() const { return m_blender.get(); }

    // Where a picture of size natural lands, relative to the node's origin, when it keeps
    // its aspect ratio in a node of size node: shrunk to fit (shift 0, scaled copy), or
    // magnified by 2^magnify_shift (at most 16 times) by replicating pixels; centred.
    struct Fit {
        Point offset;
        Size size;
        int magnify_shift = 0;
        bool shrunk = false;
        friend bool operator==(const Fit&, const Fit&) = default;
    };
    static Fit fit_keeping_aspect(Size natural, Size node);

private:
    Size natural_size() const;
    void choose_blender();
    void draw_fitted(RenderSurface& target, Point origin);

    ImageRef m_source;
    ImageRef m_mask;
    std::optional<int> m_alpha;
    std::unique_ptr<Blender> m_blender;
    bool m_grow = false;
    bool m_save_aspect_ratio = false;
};

}  // namespace zentra
