// A stand-in program for the user test of docking under X11: a window with a page control that
// takes docked forms, one form docked in it as a page. Each end of a dock drag prints a line
// ("floating <pages>" or "docked <pages>") on standard output for the test to read.
#include <cstdio>

#include "controls/cvpagecontrol.h"
#include "platform/forms/dragdock.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/forms.h"

int main() {
  auto* form = new TForm(Application);
  form->SetCaption("停靠演示");
  form->SetBounds(100, 100, 460, 300);
  auto* pc = new TCvPageControl(form);
  pc->SetParent(form);
  pc->SetBounds(10, 10, 420, 240);
  pc->SetDockSite(true);
  auto* sheet = new TCvTabSheet(form);
  sheet->SetPageControl(pc);
  sheet->SetCaption("基本信息");

  auto* client = new TForm(Application);
  client->SetCaption("垫付明细");
  client->SetBounds(0, 0, 220, 140);
  client->SetColor(clWhite);
  client->SetDragKind(dkDock);
  client->SetDragMode(dmAutomatic);
  auto* panel = new TPanel(client);
  panel->SetParent(client);
  panel->SetAlign(alTop);
  panel->SetHeight(30);
  panel->SetCaption("明细行 3 条");
  client->Show();
  client->ManualDock(pc);
  client->OnEndDock = [client, pc](TObject*, TObject*, int, int) {
    std::printf("%s %d\n", client->Floating() ? "floating" : "docked", pc->PageCount());
    std::fflush(stdout);
  };
  Application->SetMainForm(form);
  form->Show();
  std::printf("ready %d\n", pc->PageCount());
  std::fflush(stdout);
  Application->Run();
  return 0;
}
