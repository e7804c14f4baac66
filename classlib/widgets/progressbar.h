// A progress bar from Min to Max (0 and 100 at first) showing Position, without a percentage text.
#pragma once

#include <QProgressBar>

class TProgressBar : public QProgressBar {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)

public:
    explicit TProgressBar(QWidget* parent = nullptr);

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return position_; }
    // Min above Max is refused; the position is kept within the range.
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);

private:
    void ShowPosition();

    int position_ = 0;
};
