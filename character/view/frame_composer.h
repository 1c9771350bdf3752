#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QSize>

#include <memory>

namespace quorvel {

struct LoadedCharacter;

// The character's frames, composed from his pictures. A frame is a stack of pictures (robe,
// head, eyes, mouth...) and most frames share most of theirs, so the pictures are what is kept:
// each drawn once at the window's size and cropped to what it covers (all of Merlin's sixty
// fit in less room than ten whole frames), then stacked into a frame when one is shown.
//
// Kept are the pictures of his resting and speaking animations, which he keeps going back to,
// and those of the animation playing: a gesture played once (a greeting, a praise) passes
// through, and its pictures are dropped when another animation begins.
class FrameComposer
{
public:
    explicit FrameComposer(std::shared_ptr<const LoadedCharacter> character);

    // Frames drawn from now on are this size; the pictures drawn for another size are dropped.
    void setSize(const QSize &size);
    // The animation whose frames come next: pictures only earlier ones used are dropped.
    void enter(int animation);

    // Draws the frame made of these pictures (back to front) into into, which keeps its buffer
    // when it already has the frame's size and format.
    void compose(const QList<int> &layers, QImage &into);
    // Where the frame made of to differs from the one made of from: where the pictures either
    // has and the other lacks lie (the whole frame if the pictures both have are stacked in
    // another order).
    QRect difference(const QList<int> &from, const QList<int> &to);

    // How many pictures it keeps at most, and keeps now.
    int capacity() const { return m_capacity; }
    int cachedPictures() const { return int(m_pictures.size()); }

private:
    struct Picture
    {
        QImage image; // null for a picture that covers nothing
        QPoint at;
    };
    // Drawn in scratch, when given, which is left holding anything.
    const Picture &picture(int index, QImage *scratch = nullptr);
    void fitBuffer(QImage &buffer) const;
    QRect covered(int index);

    std::shared_ptr<const LoadedCharacter> m_character;
    QSize m_size;
    QList<QSet<int>> m_uses; // the pictures of each animation
    QSet<int> m_kept; // the resting and speaking ones
    int m_capacity = 0;
    QHash<int, Picture> m_pictures;
    QHash<int, QRect> m_covered; // of every picture drawn at this size, kept or not
};

} // namespace quorvel
