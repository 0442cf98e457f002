#include "ui/AuthViewModel.h"

#include "base/UnicodeText.h"
#include "base/WeakCallback.h"

namespace scribeon {

std::shared_ptr<AuthViewModel> AuthViewModel::create(AuthService& authService) {
    return std::shared_ptr<AuthViewModel>(new AuthViewModel(authService));
}

bool AuthViewModel::isValid() const {
    return !trimmedBlanks(email.get()).empty() && !password.get().empty();
}

void AuthViewModel::login(std::function<void()> onSuccess) {
    if (!isValid()) {
        errorMessage.set(std::string(missingFieldsMessage));
        return;
    }
    if (isLoading.get())
        return;
    isLoading.set(true);
    errorMessage.set(std::nullopt);
    authService_.login(std::string(trimmedBlanks(email.get())), password.get(),
                       weakly(shared_from_this(),
                              [onSuccess = std::move(onSuccess)](
                                  AuthViewModel& self, const ServiceResult<std::string>& token) {
                                  self.isLoading.set(false);
                                  if (token) {
                                      if (onSuccess)
                                          onSuccess();
                                      return;
                                  }
                                  self.errorMessage.set(token.error().description());
                              }));
}

} // namespace scribeon
