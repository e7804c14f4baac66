// Mixed into a component whose published setters must wait until its whole window description is read:
// the reader calls Loading before it sets the component's first value, and Loaded once every component of
// the description is read, its references resolved and its events bound. A read that fails calls
// CancelLoading on the components it does not delete.
#pragma once

class TLoadable {
public:
    virtual ~TLoadable() = default;

    bool IsLoading() const { return loading_; }
    void Loading() { loading_ = true; }
    void CancelLoading() { loading_ = false; }
    // Ends the loading state; a component applies here what its setters held back.
    virtual void Loaded() { loading_ = false; }

private:
    bool loading_ = false;
};
