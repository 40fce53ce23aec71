#pragma once
// The grid's "Find text" dialog: a text, a column (or all columns), the kind of match, the
// direction and, for tree-shaped data, the range of nodes; "Find next" searches through the grid's
// behaviour centre. One dialog serves every grid of the process; it is made on first use. Usage:
//   ShowFindDialog(grid, "text", "", /*modal=*/false);
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/forms.h"

class TCustomDBGridGx;
class TColumnGx;
class TLabel;
class TButton;
class TDBComboBoxGx;
class TDBCheckBoxGx;

class TDBGridGxFindDlg : public TForm {
  FANO_CLASS(TDBGridGxFindDlg)
 public:
  using TColumnChoices = std::vector<std::pair<std::string, TColumnGx*>>;

  explicit TDBGridGxFindDlg(TComponent* owner);

  // Fills the dialog for the grid and shows it (modally or above other windows).
  void Prepare(TCustomDBGridGx* grid, const std::string& text, bool modal, const TColumnChoices& columns = {});
  // One "Find next"; reverse turns the direction (Ctrl held at the click).
  bool FindNext(bool reverse);
  // Enter finds the next match, Escape closes a modeless dialog (a modal one closes through the
  // "Close" button); both are left to the focused control when it wants them.
  void FormKeyDown(uint16_t& key, TShiftState shift);

  TDBComboBoxGx* cbText = nullptr;
  TDBComboBoxGx* cbFindIn = nullptr;
  TDBComboBoxGx* cbMatchinType = nullptr;
  TDBComboBoxGx* cbFindDirection = nullptr;
  TDBCheckBoxGx* cbCharCase = nullptr;
  TDBCheckBoxGx* cbUseFormat = nullptr;
  TButton* bFind = nullptr;
  TButton* bCancel = nullptr;
  TLabel* Label4 = nullptr;
  TDBComboBoxGx* dbcTreeFindRange = nullptr;

  bool NewSearch() const noexcept { return newSearch_; }
  // The grid searched (null once it is gone; "Find next" is then disabled).
  TCustomDBGridGx* Grid() const noexcept { return grid_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void SetGrid(TCustomDBGridGx* grid);
  void FindInChanged();
  TDBComboBoxGx* AddCombo(int left, int top, int width, int tabOrder, const std::string& items);
  TCustomDBGridGx* grid_ = nullptr;
  // The "Find in" choices by column ID (-1 for none): a column may be freed while the dialog
  // stays, and an ID that is no longer in the grid's columns is not searched.
  std::vector<int> findInColumns_;
  bool newSearch_ = true;
  bool filling_ = false;
  int fullHeight_ = 150;
};

// The one dialog of the process (null until the first request).
TDBGridGxFindDlg* GridFindDialog();
void ShowFindDialog(TCustomDBGridGx* grid, const std::string& text, const std::string& text2, bool modal,
                    const TDBGridGxFindDlg::TColumnChoices& columns = {});
