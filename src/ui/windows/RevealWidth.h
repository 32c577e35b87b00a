// A label width that grows from nothing towards a target, uncovering the caption from the left.
#pragma once

namespace qle::ui {

class RevealWidth
{
public:
    // Starts at width 0; `target` is the designed width, `step` the growth per tick.
    RevealWidth(int target, int step)
        : m_target(target)
        , m_step(step)
    {
    }

    // Grows by one step while below the target. The test comes first, so the last step may pass
    // the target by up to step - 1.
    void tick()
    {
        if (m_width < m_target)
            m_width += m_step;
    }

    int width() const { return m_width; }
    int target() const { return m_target; }
    bool complete() const { return m_width >= m_target; }

private:
    int m_target;
    int m_step;
    int m_width = 0;
};

} // namespace qle::ui
