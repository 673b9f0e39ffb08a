// A flag raised for a scope, for the editor's own re-entrancy guards
// (a caret being moved must not be moved again by the selection it sets).

#pragma once

namespace lectern {

class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = was_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace lectern
