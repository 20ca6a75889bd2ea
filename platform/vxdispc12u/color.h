// Colours and the drawing properties of graphics.
#pragma once

#include <string>

// An opaque RGB colour.
class ccColor {
  public:
    constexpr ccColor() noexcept = default;  // black
    constexpr ccColor(unsigned char red, unsigned char green, unsigned char blue) noexcept
        : r_(red), g_(green), b_(blue) {}

    constexpr unsigned char red() const noexcept { return r_; }
    constexpr unsigned char green() const noexcept { return g_; }
    constexpr unsigned char blue() const noexcept { return b_; }

    // "#rrggbb"
    std::string hex() const;

    constexpr bool operator==(const ccColor& o) const noexcept {
        return r_ == o.r_ && g_ == o.g_ && b_ == o.b_;
    }
    constexpr bool operator!=(const ccColor& o) const noexcept { return !(*this == o); }

    static constexpr ccColor blackColor() noexcept { return {0, 0, 0}; }
    static constexpr ccColor whiteColor() noexcept { return {255, 255, 255}; }
    static constexpr ccColor redColor() noexcept { return {255, 0, 0}; }
    static constexpr ccColor greenColor() noexcept { return {0, 255, 0}; }
    static constexpr ccColor blueColor() noexcept { return {0, 0, 255}; }
    static constexpr ccColor yellowColor() noexcept { return {255, 255, 0}; }
    static constexpr ccColor orangeColor() noexcept { return {255, 165, 0}; }
    static constexpr ccColor cyanColor() noexcept { return {0, 255, 255}; }
    static constexpr ccColor magentaColor() noexcept { return {255, 0, 255}; }
    // The colour of a result that passed: green.
    static constexpr ccColor passColor() noexcept { return greenColor(); }
    // The colour of a result that failed: red.
    static constexpr ccColor failColor() noexcept { return redColor(); }

  private:
    unsigned char r_ = 0, g_ = 0, b_ = 0;
};

// How a graphic is drawn: colour, line width in pixels (0 = thinnest the
// display can draw), pen style, and whether open curves end in an arrowhead
// that shows their direction.
class ccGraphicProps {
  public:
    enum cePenStyle { eSolid, eDash, eDot };

    ccGraphicProps() = default;  // green, width 1, solid, no arrowhead
    ccGraphicProps(const ccColor& color, int width = 1, cePenStyle penStyle = eSolid,
                   bool arrowHead = false)
        : color_(color), width_(checkedWidth(width)), penStyle_(penStyle), arrowHead_(arrowHead) {}
    // The pen style by its number (0 solid, 1 dash, 2 dot), as stored
    // settings give it. Another number, or a negative width, throws
    // ccShapesError::BadParams.
    ccGraphicProps(const ccColor& color, int width, int penStyle, bool arrowHead);

    const ccColor& color() const noexcept { return color_; }
    void color(const ccColor& c) noexcept { color_ = c; }
    int width() const noexcept { return width_; }
    // Widths below zero are refused with ccShapesError::BadParams, here and
    // in the constructors.
    void width(int w) { width_ = checkedWidth(w); }
    cePenStyle penStyle() const noexcept { return penStyle_; }
    void penStyle(cePenStyle s) noexcept { penStyle_ = s; }
    bool arrowHead() const noexcept { return arrowHead_; }
    void arrowHead(bool on) noexcept { arrowHead_ = on; }

    bool operator==(const ccGraphicProps& o) const noexcept {
        return color_ == o.color_ && width_ == o.width_ && penStyle_ == o.penStyle_ &&
               arrowHead_ == o.arrowHead_;
    }
    bool operator!=(const ccGraphicProps& o) const noexcept { return !(*this == o); }

  private:
    static int checkedWidth(int w);
    static cePenStyle checkedPenStyle(int style);

    ccColor color_ = ccColor::greenColor();
    int width_ = 1;
    cePenStyle penStyle_ = eSolid;
    bool arrowHead_ = false;
};
