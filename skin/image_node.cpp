#include "skin/image_node.h"

#include <algorithm>

#include "skin/blender.h"
#include "skin/draw.h"

namespace zentra {

ImageNode::ImageNode() = default;
ImageNode::~ImageNode() = default;

void ImageNode::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_source = properties.get_image(record, u"src", ImageRef{});
    m_mask = properties.get_image(record, u"mask", ImageRef{});
    const int alpha = properties.get_integer(record, u"alpha", -1);
    m_alpha = alpha == -1 ? std::nullopt : std::optional<int>(alpha);
    m_grow = properties.get_integer(record, u"grow", 0) != 0;
    m_save_aspect_ratio = properties.get_integer(record, u"save_aspect_ratio", 0) != 0;
    choose_blender();
}

void ImageNode::set_source(ImageRef source) {
    m_source = std::move(source);
    choose_blender();
    // The natural size feeds the measure when growing.
    invalidate_layout();
    mark_dirty();
}

void ImageNode::choose_blender() {
    m_blender.reset();
    // A mask is read at the source's coordinates, so it only applies to a picture of the
    // same size; otherwise the image falls back to its alpha.
    const bool mask_fits = !m_mask.empty() && !m_source.empty() &&
                           m_mask.picture->width() == m_source.picture->width() &&
                           m_mask.picture->height() == m_source.picture->height();
    if (mask_fits) {
        m_blender = std::make_unique<MaskBlender>(m_mask.picture);
    } else if (m_alpha) {
        m_blender = make_keyed_blender(keyed_level_for_alpha(*m_alpha));
    }
}

Size ImageNode::natural_size() const {
    const auto& p = m_source.pairs;
    return {p[3].x - p[0].x, p[3].y - p[0].y};
}

void ImageNode::measure_width(MeasuredSize& size) {
    Node::measure_width(size);
    if (m_grow) {
        const int natural = natural_size().w;
        size.preferred = std::max(size.preferred, natural);
        size.minimum = std::max(size.minimum, natural);
    }
}

void ImageNode::measure_height(MeasuredSize& size) {
    Node::measure_height(size);
    if (m_grow) {
        const Size natural = natural_size();
        int height = natural.h;
        // Measured after the horizontal pass, so the width is final: a narrowed picture
        // that keeps its shape needs less height.
        if (m_save_aspect_ratio && this->size().w < natural.w && natural.w > 0) {
            height = this->size().w * natural.h / natural.w;
        }
        size.preferred = std::max(size.preferred, height);
        size.minimum = std::max(size.minimum, height);
    }
}

ImageNode::Fit ImageNode::fit_keeping_aspect(Size natural, Size node) {
    Fit fit;
    if (natural.w <= 0 || natural.h <= 0) {
        return fit;
    }
    if (node.w < natural.w || node.h < natural.h) {
        fit.shrunk = true;
        const long long by_width = static_cast<long long>(node.w) * natural.h;
        const long long by_height = static_cast<long long>(node.h) * natural.w;
        if (by_width < by_height) {
            fit.size = {node.w, static_cast<int>(by_width / natural.w)};
        } else {
            fit.size = {static_cast<int>(by_height / natural.h), node.h};
        }
    } else {
        // Whole doublings only, so every picture pixel becomes a square of screen pixels.
        constexpr int kMaxShift = 4;
        int shift = 0;
        while (shift < kMaxShift && (natural.w << (shift + 1)) <= node.w &&
               (natural.h << (shift + 1)) <= node.h) {
            ++shift;
        }
        fit.magnify_shift = shift;
        fit.size = {natural.w << shift, natural.h << shift};
    }
    fit.offset = {(node.w - fit.size.w) / 2, (node.h - fit.size.h) / 2};
    return fit;
}

void ImageNode::draw(RenderSurface& target, Point origin) {
    if (!m_source.empty() && size().w > 0 && size().h > 0) {
        if (m_save_aspect_ratio) {
            draw_fitted(target, origin);
        } else {
            draw_image(m_source, target, origin, size(), blender_or_plain(m_blender.get()));
        }
    }
    // Children, if a skin gives the image any, go on top of the picture.
    Node::draw(target, origin);
}

void ImageNode::draw_fitted(RenderSurface& target, Point origin) {
    const Fit fit = fit_keeping_aspect(natural_size(), size());
    if (fit.size.w <= 0 || fit.size.h <= 0) {
        return;
    }
    const Point at{origin.x + fit.offset.x, origin.y + fit.offset.y};
    const Blender& blender = blender_or_plain(m_blender.get());
    if (fit.shrunk) {
        scaled_copy_image(m_source, target, at, fit.size, blender);
        return;
    }
    // Magnify through the reference's scale shift: coordinates grow by 2^k and the bitmap
    // is indexed k bits further right, so each picture pixel is replicated.
    ImageRef magnified = m_source;
    for (Point& pair : magnified.pairs) {
        pair = {pair.x << fit.magnify_shift, pair.y << fit.magnify_shift};
    }
    magnified.scale_shift += fit.magnify_shift;
    draw_image(magnified, target, at, fit.size, blender);
}

}  // namespace zentra
