#pragma once
// The small flag in its nation's colours that marks a unit of the active leader's command, grey when the
// unit may not act. It is three sprites that move together: the pole (the flag itself), the cloth and the
// cloth's shadow. Placing it, raising it, hiding and showing it go to all three; sounds only to the pole.
#include <cstdint>
#include <memory>

#include "game/map/vael_sprite.h"

namespace vael {

class Flag : public VaelSprite {
public:
    static constexpr int Nations = 9;
    // Where cloth and shadow stand from the flag's location, in full-size pixels.
    static constexpr Point ClothStanding{1, -70};
    static constexpr Point ClothRaised{1, -82};
    static constexpr Point ShadowStanding{31, 22};
    static constexpr Point ShadowRaised{34, 26};

    Flag(std::int16_t region, const Point3D& location, std::uint32_t nation);
    ~Flag() override;

    // Places pole, cloth and shadow standing at the location in their first pictures, the cloth in colour;
    // shows them when show is non-zero, else leaves them shown or hidden as they were.
    void moveTo(const Point3D& location, std::int16_t show);
    // The same, never showing them.
    void restAt(const Point3D& location);
    // Shows the flag raised at the location, the cloth grey when grey is non-zero; while flags are animated
    // the cloth and its shadow wave from a random picture on. 1 when flags are not animated, else 0.
    std::int16_t raise(const Point3D& location, std::int16_t grey);
    void hide() override;
    void show() override;
    void setGrey();
    void setColour();

    VaelSprite* cloth() const { return cloth_.get(); }
    VaelSprite* shadow() const { return shadow_.get(); }
    std::uint32_t nation() const { return nation_; }

    void addEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                  std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) override;
    void addNamedEvent(std::int16_t region, const Point4D& target, const List<FrameInfo>& frames,
                       std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames) override;
    void addSimpleEvent(std::uint16_t kind) override;
    void changeRegion(std::int16_t region) override;
    void moveToView1() override;
    // The pole's record, then the cloth's, then the shadow's. A record that does not load whole leaves all
    // three as they were.
    void save(std::ostream& stream) const override;
    bool load(std::istream& stream) override;
    // The same three parts, each with what it still has to play.
    void saveUnderWay(std::ostream& stream) const override;
    bool loadUnderWay(std::istream& stream) override;
    ZoomBoxes* update(std::int32_t now) override;
    bool updatesByStep() const override { return false; }
    Box draw(Bitmap& target, const Point& origin) override;
    Box drawAt(Bitmap& target, const Point& origin, int level) override;
    Box bounds() const override;
    Box boundsAt(int level) const override;
    std::int16_t hitTest(const Point& point) const override;
    std::int16_t hitTestAt(const Point& point, int level) const override;

    // The shared pictures of every flag: the three libraries and the picture lists of each nation, the
    // pole and the shadow. Flags made before loading show nothing.
    static void loadArtwork();
    static void unloadArtwork();
    static bool isAnimated() { return animated_; }
    static void setAnimated(bool on) { animated_ = on; }
    static const List<FrameInfo>& nationFrames(std::uint32_t nation);
    static const List<FrameInfo>& shadowFrames() { return shadowFrames_; }
    static const FrameInfo& poleFrame() { return poleFrame_; }

private:
    static FrameInfo firstOf(const List<FrameInfo>& frames);
    static OIF<Bitmap>* library(int level) { return libraries_[level].get(); }

    std::unique_ptr<VaelSprite> cloth_;
    std::unique_ptr<VaelSprite> shadow_;
    std::uint32_t nation_;

    static std::unique_ptr<OIF<Bitmap>> libraries_[Levels];
    static List<FrameInfo> nationFrames_[Nations];
    static List<FrameInfo> shadowFrames_;
    static const FrameInfo poleFrame_;
    static bool animated_;
};

} // namespace vael
