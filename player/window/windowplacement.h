#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

#include <optional>

class QWidget;

// Where the main window stands, in the measures of the settings file: the outer window (frame)
// of the normal state, in twips. It places the window from those measures and reads them back so
// that closing and opening again leaves them unchanged, whether the window was closed normal,
// maximised or minimised.
//
// The frame's size is only known once a window manager has framed the window; until then the
// window is given the frame's size, and corrected once, the first time it is seen framed in its
// normal state and still at the size it was given.
class WindowPlacement : public QObject
{
    Q_OBJECT

public:
    struct Twips
    {
        int top = 0;
        int left = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Twips &) const = default;
    };

    explicit WindowPlacement(QWidget *window);

    // Places the window. Missing sizes take the default, a missing position centres the window on
    // its screen; sizes are held to the minimum and to the available screen, and the window is
    // kept on the available screen.
    void apply(std::optional<int> top, std::optional<int> left, std::optional<int> width,
               std::optional<int> height);

    // The normal frame as it is now, in twips: unchanged measures come back exactly as they were
    // read. The minimum sizes are enforced here too (the window is widened when needed).
    Twips normalFrame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect normalFramePixels() const;
    void learnFrame();

    QWidget *m_window;
    QRect m_appliedFrame; // pixels
    Twips m_appliedTwips;
    bool m_applied = false;
    std::optional<QMargins> m_margins; // of the normal, framed window
    bool m_sizeCorrected = false;
    bool m_seenNormal = false; // shown in its normal state since it was placed
};
