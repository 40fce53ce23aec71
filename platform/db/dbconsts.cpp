#include "platform/db/dbconsts.h"

#include "platform/classes/component.h"
#include "platform/rtl/exceptions.h"

std::string DatabaseMessage(std::string_view message, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(message.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < message.size(); ++i) {
    char c = message[i];
    if (c == '%' && i + 1 < message.size()) {
      char spec = message[i + 1];
      if (spec == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((spec == 's' || spec == 'd' || spec == 'g') && next != args.end()) {
        out += *next++;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

void DatabaseError(std::string_view message, const TComponent* component) {
  if (component && !component->Name().empty())
    throw EDatabaseError(component->Name() + ": " + std::string(message));
  throw EDatabaseError(std::string(message));
}

void DatabaseErrorFmt(std::string_view message, std::initializer_list<std::string_view> args,
                      const TComponent* component) {
  DatabaseError(DatabaseMessage(message, args), component);
}
